// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/syscall.h>
#endif

namespace {

int OpenDirectoryFor(const std::string& path)
{
    std::string dir = DirectoryOf(path);
    if (dir.empty()) dir.push_back('.');
    return ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

mode_t CreationMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A hidden name beside `finalPath`. It does not repeat the final name, which may already be as long
// as a name can be.
std::string UniqueSibling(const std::string& finalPath)
{
    static std::mt19937_64 generator{std::random_device{}()};
    char name[48];
    std::snprintf(name, sizeof name, ".kvtmp-%d-%016llx", static_cast<int>(::getpid()),
                  static_cast<unsigned long long>(generator()));
    return JoinPath(DirectoryOf(finalPath), name);
}

// Writes all bytes at `offset`, or at the current offset when it is negative; false on any
// failure, including a write that makes no progress.
bool WriteFully(int fd, const void* data, std::size_t count, long long offset = -1)
{
    const auto* p = static_cast<const unsigned char*>(data);
    while (count > 0) {
        const ssize_t n = offset < 0 ? ::write(fd, p, count) : ::pwrite(fd, p, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        count -= static_cast<std::size_t>(n);
        if (offset >= 0) offset += n;
    }
    return true;
}

} // namespace

FileKind GetFileKind(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return FileKind::Missing;
    if (S_ISREG(st.st_mode)) return FileKind::Regular;
    if (S_ISDIR(st.st_mode)) return FileKind::Directory;
    return FileKind::Other;
}

long long GetFileSize(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<long long>(st.st_size);
}

FileAttributes GetFileAttributes(const std::string& path)
{
    FileAttributes attributes;
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        attributes.valid = true;
        attributes.mode = st.st_mode & 07777;
    }
    return attributes;
}

bool SetArchiveOnly(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (st.st_mode & S_IWUSR) return true;
    return ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

bool SetFileAttributes(const std::string& path, const FileAttributes& attributes)
{
    if (!attributes.valid) return true;
    if (GetFileKind(path) != FileKind::Regular) return false;
    return ::chmod(path.c_str(), static_cast<mode_t>(attributes.mode)) == 0;
}

bool IsReadOnly(const FileAttributes& attributes) noexcept
{
    return attributes.valid && (attributes.mode & S_IWUSR) == 0;
}

std::string DirectoryOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string JoinPath(const std::string& dir, const std::string& name)
{
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

bool NameFitsItsDirectory(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    const std::size_t length = slash == std::string::npos ? path.size() : path.size() - slash - 1;
    std::string dir = DirectoryOf(path);
    if (dir.empty()) dir.push_back('.');
    const long limit = ::pathconf(dir.c_str(), _PC_NAME_MAX);
    return limit < 0 || length <= static_cast<std::size_t>(limit);
}

bool RenameNoReplace(const std::string& from, const std::string& to)
{
#if defined(__linux__) && defined(SYS_renameat2)
    // RENAME_NOREPLACE = 1; called through syscall() to need no new glibc.
    if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 1u) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    // Fallback for file systems without renameat2: link() refuses an existing name, then the old
    // name goes. (There is a moment with both names, never one where `to` is replaced.)
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    if (::unlink(from.c_str()) != 0) {
        const int saved = errno;
        ::unlink(to.c_str());
        errno = saved;
        return false;
    }
    return true;
}

bool FlushDirectoryOf(const std::string& path)
{
    const int dirFd = OpenDirectoryFor(path);
    if (dirFd < 0) return false;
    const bool ok = ::fsync(dirFd) == 0 || errno == EINVAL; // some file systems cannot sync directories
    ::close(dirFd);
    return ok;
}

ReplacementFile::~ReplacementFile()
{
    Discard();
}

bool ReplacementFile::Open(const std::string& finalPath, bool plainData, bool allowUnnamed)
{
    Discard();
    // The final name must be free for a file or hold one: a directory there could never be replaced.
    if (const FileKind kind = GetFileKind(finalPath); kind == FileKind::Directory) {
        errno = EISDIR;
        return false;
    }
    finalPath_ = finalPath;
    plainData_ = plainData;
    // Plain data is owner-only from the first byte; open() applies the mode before the file can be
    // opened by anyone else.
    const mode_t mode = plainData ? S_IRUSR | S_IWUSR : CreationMode();
#if defined(__linux__) && defined(O_TMPFILE)
    // An unnamed file cannot be left behind by a crash; /proc is needed to give it a name later.
    if (allowUnnamed && ::access("/proc/self/fd", X_OK) == 0) {
        std::string dir = DirectoryOf(finalPath);
        if (dir.empty()) dir.push_back('.');
        fd_ = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        if (fd_ >= 0) return true;
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
    }
#endif
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string candidate = UniqueSibling(finalPath);
        fd_ = ::open(candidate.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd_ >= 0) {
            tempPath_ = candidate;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool ReplacementFile::InjectedFault(std::size_t count) noexcept
{
    if (failWriteAfter_ >= 0 && written_ + static_cast<long long>(count) > failWriteAfter_) {
        errno = ENOSPC;
        return true;
    }
    written_ += static_cast<long long>(count);
    return false;
}

bool ReplacementFile::WriteAll(const void* data, std::size_t count)
{
    if (WriteTap != nullptr) WriteTap(data, count);
    return fd_ >= 0 && !InjectedFault(count) && WriteFully(fd_, data, count);
}

bool ReplacementFile::WriteAt(const void* data, std::size_t count, long long offset)
{
    if (WriteTap != nullptr) WriteTap(data, count);
    return fd_ >= 0 && offset >= 0 && !InjectedFault(count) && WriteFully(fd_, data, count, offset);
}

ReplacementFile::CommitResult ReplacementFile::Commit(bool mayReplace, int finalMode)
{
    if (fd_ < 0) return CommitResult::Failed;
    if ((finalMode >= 0 && ::fchmod(fd_, static_cast<mode_t>(finalMode)) != 0) || ::fsync(fd_) != 0) {
        Discard();
        return CommitResult::Failed;
    }
    bool named = false;
    if (tempPath_.empty()) {
        const std::string procPath = "/proc/self/fd/" + std::to_string(fd_);
        if (!mayReplace) {
            // linkat() never replaces: the unnamed file takes the final name only while it is free.
            if (::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, finalPath_.c_str(), AT_SYMLINK_FOLLOW) != 0) {
                const bool exists = errno == EEXIST;
                Discard();
                return exists ? CommitResult::TargetExists : CommitResult::Failed;
            }
            named = true;
        } else {
            // Give the unnamed file a hidden name first: linkat() cannot replace, rename() can, atomically.
            for (int attempt = 0; attempt < 16 && tempPath_.empty(); ++attempt) {
                const std::string candidate = UniqueSibling(finalPath_);
                if (::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0)
                    tempPath_ = candidate;
                else if (errno != EEXIST)
                    break;
            }
            if (tempPath_.empty()) {
                Discard();
                return CommitResult::Failed;
            }
        }
    }
    if (!named) {
        bool renamed =
            mayReplace ? ::rename(tempPath_.c_str(), finalPath_.c_str()) == 0 : RenameNoReplace(tempPath_, finalPath_);
        if (!renamed && !mayReplace && (errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS)) {
            // Neither renameat2 nor hard links here (some network and FUSE mounts): the name is looked
            // at right before a plain rename, so only a file appearing in that instant is replaced.
            if (GetFileKind(finalPath_) != FileKind::Missing)
                errno = EEXIST;
            else
                renamed = ::rename(tempPath_.c_str(), finalPath_.c_str()) == 0;
        }
        if (!renamed) {
            const bool exists = !mayReplace && errno == EEXIST;
            Discard();
            return exists ? CommitResult::TargetExists : CommitResult::Failed;
        }
    }
    tempPath_.clear();
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return FlushDirectoryOf(finalPath_) && closed ? CommitResult::Done : CommitResult::Failed;
}

void ReplacementFile::Discard() noexcept
{
    if (fd_ >= 0) {
        if (plainData_) {
            // Plain data must not linger in freed blocks: overwrite what was written, then flush.
            struct stat st;
            if (::fstat(fd_, &st) == 0 && st.st_size > 0) {
                static const unsigned char zeros[65536] = {};
                long long remaining = st.st_size;
                bool ok = ::lseek(fd_, 0, SEEK_SET) == 0;
                while (ok && remaining > 0) {
                    const std::size_t n = remaining < 65536 ? static_cast<std::size_t>(remaining) : sizeof zeros;
                    ok = WriteFully(fd_, zeros, n);
                    remaining -= static_cast<long long>(n);
                }
                ::fsync(fd_);
                // The file goes away below whether or not this succeeds.
                [[maybe_unused]] const int truncated = ::ftruncate(fd_, 0);
            }
        }
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}
