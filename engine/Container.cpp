// SPDX-License-Identifier: GPL-3.0-or-later
#include "Container.h"

#include "ByteOrder.h"
#include "Keys.h"
#include "SourceFile.h"

int HeaderLengthForMagicByte(std::uint8_t fourth) noexcept
{
    return fourth == '7' || fourth == 'A' ? kShortHeaderLength : kLongHeaderLength;
}

const char* MethodTagOfHeader(const std::uint8_t* header, std::size_t length) noexcept
{
    return length < 4 ? "-" : MethodTagForMagicByte(header[3]);
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
    SourceFile file;
    if (!file.Open(path)) return info;
    const std::size_t got = file.Read(header, sizeof header);
    info.tag = MethodTagOfHeader(header, got);
    if (got < 4) return info;
    info.method = MethodFromMagicByte(header[3]);
    info.headerLength = HeaderLengthForMagicByte(header[3]);
    if (got < static_cast<std::size_t>(info.headerLength)) return info;
    info.readable = true;
    info.plainSize = static_cast<std::int32_t>(GetHeaderFields(header).plainSize);
    return info;
}

std::string ReadMethodTag(const std::string& path)
{
    return ReadContainerInfo(path).tag;
}
