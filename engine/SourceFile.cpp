// SPDX-License-Identifier: GPL-3.0-or-later
#include "SourceFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileIdentity IdentityOf(const struct stat& st)
{
    FileIdentity id;
    id.known = true;
    id.device = static_cast<unsigned long long>(st.st_dev);
    id.inode = static_cast<unsigned long long>(st.st_ino);
    id.size = static_cast<long long>(st.st_size);
    id.mtimeSeconds = static_cast<long long>(st.st_mtim.tv_sec);
    id.mtimeNanoseconds = static_cast<long long>(st.st_mtim.tv_nsec);
    return id;
}

} // namespace

FileIdentity IdentityOfRegularFile(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    return IdentityOf(st);
}

SourceFile::~SourceFile()
{
    if (fd_ >= 0) ::close(fd_);
}

bool SourceFile::Refuse(unsigned mode) noexcept
{
    notRegular_ = true;
    errno = S_ISLNK(mode) ? ELOOP : S_ISDIR(mode) ? EISDIR : EINVAL;
    return false;
}

bool SourceFile::Open(const std::string& path, Links links)
{
    notRegular_ = false;
    struct stat st;
    const bool follow = links == Links::Follow;
    if (!follow) {
        if (::lstat(path.c_str(), &st) != 0) return false;
        if (!S_ISREG(st.st_mode)) return Refuse(st.st_mode);
    }
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW));
    if (fd_ < 0) {
        // Replaced by a link since it was examined.
        notRegular_ = !follow && errno == ELOOP;
        return false;
    }
    if (::fstat(fd_, &st) != 0) return false;
    if (!S_ISREG(st.st_mode)) return Refuse(st.st_mode);
    opened_ = IdentityOf(st);
    mode_ = static_cast<int>(st.st_mode & 0777);
    owner_ = static_cast<unsigned>(st.st_uid);
    group_ = static_cast<unsigned>(st.st_gid);
    links_ = static_cast<unsigned long long>(st.st_nlink);
    return true;
}

bool SourceFile::UnchangedSinceOpen(FileIdentity& now) const
{
    struct stat st;
    if (::fstat(fd_, &st) != 0) return false;
    now = IdentityOf(st);
    return now == opened_;
}

std::size_t SourceFile::Read(void* data, std::size_t count)
{
    errno = 0;
    if (failReadAfter_ >= 0 && done_ + static_cast<long long>(count) > failReadAfter_) {
        errno = EIO;
        return 0;
    }
    auto* p = static_cast<unsigned char*>(data);
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd_, p + got, count - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        if (n == 0) {
            errno = 0;
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    done_ += static_cast<long long>(got);
    return got;
}
