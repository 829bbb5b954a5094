// SPDX-License-Identifier: GPL-3.0-or-later
#include "Wipe.h"

#include "FileSystem.h"
#include "ResultCodes.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#if defined(__linux__)
#include <sys/random.h>
#endif
#include <unistd.h>

namespace {

constexpr std::size_t kPatternSize = 1024;
constexpr int kWipeFailed = -2;
constexpr const char* kFirstTilde = "~~~~~~~~.~~~";
constexpr const char* kSecondTilde = "~";
// Numbered tilde names tried when the plain one is taken (another wipe, a leftover, a user's file).
constexpr int kTildeNames = 10000;

void DefaultFill(std::uint8_t* buffer, std::size_t count)
{
#if defined(__linux__)
    // One call instead of opening the random device and seeding a generator for every file wiped,
    // which was a tenth of the time of a small file's wipe.
    std::size_t filled = 0;
    while (filled < count) {
        const ssize_t n = ::getrandom(buffer + filled, count - filled, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        filled += static_cast<std::size_t>(n);
    }
    if (filled == count) return;
#endif
    std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t i = 0; i < count; ++i)
        buffer[i] = static_cast<std::uint8_t>(byte(generator));
}

// Overwrites the open file once with the pattern and flushes it; false on any failure.
bool Overwrite(int fd, const std::uint8_t* pattern)
{
    struct stat st;
    if (::fstat(fd, &st) != 0) return false;
    const long long size = static_cast<long long>(st.st_size);
    long long written = 0;
    while (written < size) {
        const auto block = static_cast<std::size_t>(std::min<long long>(kPatternSize, size - written));
        const ssize_t n = ::pwrite(fd, pattern, block, static_cast<off_t>(written));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += n;
    }
    // The pattern must reach the disk before the truncation frees the blocks.
    return ::fsync(fd) == 0;
}

struct OpenedFile
{
    int fd = -1;         // -1 on failure, and for a shared read-only file
    bool shared = false; // other names (hard links) share the data
};

// Opens the regular file `path` for writing, never through a link. A read-only file is made
// writable for its owner first, unless other names share it: they keep their permissions.
OpenedFile OpenForWipe(const std::string& path)
{
    // O_NONBLOCK: a FIFO put in the file's place after the check must not block the open.
    constexpr int flags = O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    OpenedFile opened;
    struct stat st;
    opened.fd = ::open(path.c_str(), flags);
    if (opened.fd < 0 && errno == EACCES) {
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return opened;
        opened.shared = st.st_nlink > 1;
        if (opened.shared || !SetArchiveOnly(path)) return opened;
        opened.fd = ::open(path.c_str(), flags);
    }
    if (opened.fd < 0) return opened;
    if (::fstat(opened.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(opened.fd);
        opened.fd = -1;
        return opened;
    }
    opened.shared = st.st_nlink > 1;
    return opened;
}

// Renames `from` to the tilde name `base` in `dir`, or to base1, base2, ... when that is taken.
// Never replaces anything. Returns the new path, or "" on failure.
std::string RenameToFreeTildeName(const std::string& from, const std::string& dir, const std::string& base)
{
    for (int n = 0; n < kTildeNames; ++n) {
        const std::string to = JoinPath(dir, n == 0 ? base : base + std::to_string(n));
        if (RenameNoReplace(from, to)) return to;
        if (errno != EEXIST) return {};
    }
    return {};
}

// True when `path` still names the file open as `fd`.
bool Names(const std::string& path, int fd)
{
    struct stat byName, byFd;
    return ::lstat(path.c_str(), &byName) == 0 && ::fstat(fd, &byFd) == 0 && byName.st_dev == byFd.st_dev &&
           byName.st_ino == byFd.st_ino;
}

// Removes only the name `path` of a file that has others.
int RemoveThisName(const std::string& path)
{
    if (::unlink(path.c_str()) != 0) return kWipeFailed;
    FlushDirectoryOf(path);
    return kResultRemovedNotWiped;
}

} // namespace

int WipeFile(const std::string& path, const WipeRandomFill& fill, const WipeStepHook& afterStep)
{
    const auto done = [&afterStep](WipeStep step) {
        if (afterStep) afterStep(step);
    };
    // Checked before opening: opening a device may have effects of its own.
    if (GetFileKind(path) != FileKind::Regular) return kWipeFailed;

    const OpenedFile opened = OpenForWipe(path);
    if (opened.shared) {
        if (opened.fd >= 0) ::close(opened.fd);
        return RemoveThisName(path);
    }
    const int fd = opened.fd;
    if (fd < 0) return kWipeFailed;

    std::uint8_t pattern[kPatternSize];
    if (fill)
        fill(pattern, kPatternSize);
    else
        DefaultFill(pattern, kPatternSize);

    // The overwrite comes first, under the file's own name: a wipe stopped after it leaves no plain
    // data under any name. When it fails the file keeps its name.
    if (!Overwrite(fd, pattern)) {
        ::close(fd);
        return kWipeFailed;
    }
    done(WipeStep::Overwritten);

    // Renames never replace, and a taken tilde name is passed over for a numbered one, so a user's
    // file, a leftover of a stopped wipe or another wipe in the folder is never touched. When a later
    // step fails, the file gets its own name back where it can, so the user still finds it.
    const std::string dir = DirectoryOf(path);
    const std::string first = RenameToFreeTildeName(path, dir, kFirstTilde);
    if (first.empty()) {
        ::close(fd);
        return kWipeFailed;
    }
    done(WipeStep::FirstRename);
    const std::string second = RenameToFreeTildeName(first, dir, kSecondTilde);
    if (second.empty()) {
        ::close(fd);
        RenameNoReplace(first, path);
        return kWipeFailed;
    }
    done(WipeStep::SecondRename);

    const bool truncated = ::ftruncate(fd, 0) == 0;
    if (truncated) done(WipeStep::Truncated);
    // The name is erased only while it still stands for this file.
    const bool ours = Names(second, fd);
    const bool closed = ::close(fd) == 0;
    if (!truncated || !closed || !ours) {
        if (ours) RenameNoReplace(second, path);
        return kWipeFailed;
    }
    if (::unlink(second.c_str()) != 0) return kWipeFailed;
    FlushDirectoryOf(second);
    return kResultOk;
}
