// SPDX-License-Identifier: GPL-3.0-or-later
#include "Wipe.h"

#include "FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kPatternSize = 1024;

void DefaultFill(std::uint8_t* buffer, std::size_t count)
{
    std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t i = 0; i < count; ++i) buffer[i] = static_cast<std::uint8_t>(byte(generator));
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

} // namespace

int WipeFile(const std::string& path, const WipeRandomFill& fill, const WipeStepHook& afterStep)
{
    const auto done = [&afterStep](WipeStep step) {
        if (afterStep) afterStep(step);
    };
    if (GetFileKind(path) != FileKind::Regular) return -2;
    if (!SetArchiveOnly(path)) return -2;

    const std::string dir = DirectoryOf(path);
    const std::string first = JoinPath(dir, "~~~~~~~~.~~~");
    const std::string second = JoinPath(dir, "~");
    // Renames never replace: a file of the user's own called "~" must survive. When a later step
    // fails, the file gets its own name back so the user still finds it.
    // A file that already bears the first tilde name skips that step (renaming it onto itself
    // would fail as "exists").
    const bool alreadyFirst = path == first || (dir.empty() && path == "~~~~~~~~.~~~");
    if (!alreadyFirst && !RenameNoReplace(path, first)) return -2;
    done(WipeStep::FirstRename);
    if (!RenameNoReplace(first, second)) {
        if (!alreadyFirst) RenameNoReplace(first, path);
        return -2;
    }
    done(WipeStep::SecondRename);

    std::uint8_t pattern[kPatternSize];
    if (fill)
        fill(pattern, kPatternSize);
    else
        DefaultFill(pattern, kPatternSize);

    const int fd = ::open(second.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        RenameNoReplace(second, path);
        return -2;
    }
    const bool overwritten = Overwrite(fd, pattern);
    if (overwritten) done(WipeStep::Overwritten);
    const bool truncated = overwritten && ::ftruncate(fd, 0) == 0;
    if (truncated) done(WipeStep::Truncated);
    const bool closed = ::close(fd) == 0;
    if (!truncated || !closed) {
        RenameNoReplace(second, path);
        return -2;
    }
    if (::unlink(second.c_str()) != 0) return -2;
    FlushDirectoryOf(second);
    return 0;
}
