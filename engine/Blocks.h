// SPDX-License-Identifier: GPL-3.0-or-later
// The 8-byte block routines from which every chaining mode here is built, the padding rule and
// the chunk length shared by the container and the password database.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Files and the password database are read, enciphered and written in chunks of this many bytes,
// a whole number of blocks; the user interface gets its turn after each.
constexpr std::size_t kChunkLength = 10240;

// The enciphered length of `plain` bytes: padded to whole blocks, with a whole block of padding
// when the data fills its last one.
constexpr long long PaddedDataLength(long long plain) noexcept
{
    return plain + 8 - plain % 8;
}

inline void ZeroBlock(std::uint8_t* chain) noexcept
{
    std::memset(chain, 0, 8);
}

inline void CopyBlock(std::uint8_t* destination, const std::uint8_t* source) noexcept
{
    std::memcpy(destination, source, 8);
}

inline void XorBlock(std::uint8_t* block, const std::uint8_t* chain) noexcept
{
    std::uint64_t a, b;
    std::memcpy(&a, block, 8);
    std::memcpy(&b, chain, 8);
    a ^= b;
    std::memcpy(block, &a, 8);
}

// Copies count bytes; does nothing when count is zero or negative.
inline void MoveBytes(void* destination, const void* source, long long count) noexcept
{
    if (count > 0) std::memmove(destination, source, static_cast<std::size_t>(count));
}

// Sets count bytes to value; does nothing when count is zero or negative.
inline void FillBytes(void* destination, std::uint8_t value, long long count) noexcept
{
    if (count > 0) std::memset(destination, value, static_cast<std::size_t>(count));
}
