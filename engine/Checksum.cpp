// SPDX-License-Identifier: GPL-3.0-or-later
#include "Checksum.h"

#include "ChecksumTable.h"

namespace {

using checksum_detail::kLookup;
using checksum_detail::kLowByte;

} // namespace

std::uint32_t UpdateChecksum(std::uint32_t value, const void* data, std::size_t count) noexcept
{
    if (data == nullptr || count == 0) return value;
    const auto* p = static_cast<const std::uint8_t*>(data);
    // Each step is value = (value >> 8) ^ kLookup[(value ^ byte) & 0xFF]. The lookup is not linear,
    // so slicing tricks do not apply; instead the next index is carried in its own register from a
    // byte table, which leaves one load and one XOR per byte on the dependency chain.
    std::uint32_t index = (value ^ p[0]) & 0xFF;
    for (std::size_t k = 1; k < count; ++k) {
        const std::uint32_t looked = kLookup[index];
        const std::uint32_t ahead = ((value >> 8) ^ p[k]) & 0xFF;
        index = kLowByte[index] ^ ahead;
        value = (value >> 8) ^ looked;
    }
    return (value >> 8) ^ kLookup[index];
}
