// SPDX-License-Identifier: GPL-3.0-or-later
// The container header: what a container says about itself, and where it says it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The fields at the same places in every container header and in the password database's header
// (integers little-endian):
//   0  4  magic; its fourth byte names the method
//   4  4  plain size
//   8  4  checksum of the plain data
//  12  2  key check
// A long header adds 21 bytes that nothing reads.
struct HeaderFields
{
    std::uint32_t plainSize = 0;
    std::uint32_t checksum = 0;
    std::uint16_t keyCheck = 0;
};
// Where the checksum goes, written last once the data is through.
constexpr int kHeaderChecksumOffset = 8;

// 14 for the methods of the short header ('7' and 'A'), 35 for every other fourth magic byte,
// known or not.
int HeaderLengthForMagicByte(std::uint8_t fourth) noexcept;
// "DES", "IDEA", "3xDES" from the fourth of the first `length` bytes of a file; "-" for fewer than
// four bytes or an unknown method byte.
const char* MethodTagOfHeader(const std::uint8_t* header, std::size_t length) noexcept;
// The fields of a header of at least 14 bytes.
HeaderFields GetHeaderFields(const std::uint8_t* header) noexcept;
// Writes the fields into bytes 4 to 13 of `header`; the magic is the caller's.
void PutHeaderFields(std::uint8_t* header, const HeaderFields& fields) noexcept;

struct ContainerInfo
{
    bool readable = false;      // the header could be read in full
    int method = -1;            // 0..4, or -1 when the method byte names none
    int headerLength = 0;       // 14 or 35 as the method byte implies
    std::int32_t plainSize = 0; // as stored
    const char* tag = "-";      // "DES", "IDEA", "3xDES" or "-"
};

// The header of the file at `path`. The tag comes from the fourth byte alone, so a file of four
// bytes or more has one even when the rest of its header is missing.
ContainerInfo ReadContainerInfo(const std::string& path);

// "DES", "IDEA", "3xDES", or "-" for an unknown method byte or a file that cannot be read.
std::string ReadMethodTag(const std::string& path);
