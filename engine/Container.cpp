// SPDX-License-Identifier: GPL-3.0-or-later
#include "Container.h"

#include "ByteOrder.h"
#include "FileSystem.h"
#include "Keys.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Reads up to `count` bytes from the start of a regular file; returns how many, -1 on failure.
long ReadPrefix(const std::string& path, std::uint8_t* data, std::size_t count)
{
    if (GetFileKind(path) != FileKind::Regular) return -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd, data + got, count - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return static_cast<long>(got);
}

} // namespace

int HeaderLengthForMagicByte(std::uint8_t fourth) noexcept
{
    return fourth == '7' || fourth == 'A' ? kShortHeaderLength : kLongHeaderLength;
}

HeaderFields GetHeaderFields(const std::uint8_t* header) noexcept
{
    return {GetLe32(header + 4), GetLe32(header + kHeaderChecksumOffset), GetLe16(header + 12)};
}

void PutHeaderFields(std::uint8_t* header, const HeaderFields& fields) noexcept
{
    PutLe32(header + 4, fields.plainSize);
    PutLe32(header + kHeaderChecksumOffset, fields.checksum);
    PutLe16(header + 12, fields.keyCheck);
}

ContainerInfo ReadContainerInfo(const std::string& path)
{
    ContainerInfo info;
    std::uint8_t header[kLongHeaderLength];
    const long got = ReadPrefix(path, header, sizeof header);
    if (got < 4) return info;
    info.tag = MethodTagForMagicByte(header[3]);
    info.method = MethodFromMagicByte(header[3]);
    info.headerLength = HeaderLengthForMagicByte(header[3]);
    if (got < info.headerLength) return info;
    info.readable = true;
    info.plainSize = static_cast<std::int32_t>(GetHeaderFields(header).plainSize);
    return info;
}

std::string ReadMethodTag(const std::string& path)
{
    return ReadContainerInfo(path).tag;
}
