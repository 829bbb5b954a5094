// SPDX-License-Identifier: GPL-3.0-or-later
// Little-endian integers as the container and the password database store them (byte 0 lowest).
#pragma once

#include <cstdint>

inline std::uint16_t GetLe16(const std::uint8_t* p) noexcept
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline void PutLe16(std::uint8_t* p, std::uint16_t value) noexcept
{
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

inline std::uint32_t GetLe32(const std::uint8_t* p) noexcept
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void PutLe32(std::uint8_t* p, std::uint32_t value) noexcept
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// An 8-byte block as one word, the layout the checksum reads.
inline std::uint64_t GetLe64(const std::uint8_t* p) noexcept
{
    std::uint64_t v = 0;
    for (int k = 7; k >= 0; --k)
        v = (v << 8) | p[k];
    return v;
}

inline void PutLe64(std::uint8_t* p, std::uint64_t value) noexcept
{
    for (int k = 0; k < 8; ++k, value >>= 8)
        p[k] = static_cast<std::uint8_t>(value);
}
