// SPDX-License-Identifier: GPL-3.0-or-later
// The checksum's lookup tables and an inline step over one 8-byte block, for loops that compute
// the checksum side by side with a cipher (the two dependency chains then overlap in the CPU).
#pragma once

#include <array>
#include <cstdint>

namespace checksum_detail {

constexpr std::array<std::uint32_t, 65> MakeCrcTable()
{
    std::array<std::uint32_t, 65> table{};
    for (std::uint32_t n = 0; n < table.size(); ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

// The historic lookup reads the 32-bit value starting at byte offset idx of the CRC table laid
// out as little-endian words. Precomputing those 256 values keeps the loop a plain table walk.
constexpr std::array<std::uint32_t, 256> MakeLookup()
{
    constexpr auto crc = MakeCrcTable();
    std::array<std::uint32_t, 256> lookup{};
    for (unsigned idx = 0; idx < 256; ++idx) {
        const unsigned q = idx / 4, r = idx % 4;
        lookup[idx] = r == 0 ? crc[q] : static_cast<std::uint32_t>((crc[q] >> (8 * r)) | (crc[q + 1] << (32 - 8 * r)));
    }
    return lookup;
}

inline constexpr auto kLookup = MakeLookup();
constexpr std::array<std::uint8_t, 256> MakeLowByte()
{
    std::array<std::uint8_t, 256> low{};
    for (unsigned idx = 0; idx < 256; ++idx)
        low[idx] = static_cast<std::uint8_t>(kLookup[idx]);
    return low;
}
inline constexpr auto kLowByte = MakeLowByte();
static_assert(kLookup[0] == 0 && kLookup[4] == 0x77073096u && kLookup[8] == 0xEE0E612Cu);

} // namespace checksum_detail

// UpdateChecksum over the 8 bytes of a block held as a little-endian word (byte 0 lowest), so a
// block kept in a register never needs to go back to memory for its checksum.
inline std::uint32_t ChecksumWord8(std::uint32_t value, std::uint64_t block) noexcept
{
    for (int k = 0; k < 8; ++k, block >>= 8)
        value = (value >> 8) ^ checksum_detail::kLookup[(value ^ static_cast<std::uint32_t>(block)) & 0xFF];
    return value;
}
