// SPDX-License-Identifier: GPL-3.0-or-later
// The program's checksum: known values, chaining across pieces, and how it differs from CRC-32.
#include "Checksum.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::uint32_t Sum(const std::string& text, std::uint32_t start = 0)
{
    return UpdateChecksum(start, text.data(), text.size());
}

// The standard reflected CRC-32 table, built bit by bit.
std::array<std::uint32_t, 256> CrcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

// The legacy lookup written out literally: the table as 1024 little-endian bytes, four of them read
// from byte offset idx. Independent of the engine's precomputed form.
std::uint32_t ReferenceChecksum(std::uint32_t value, const std::uint8_t* data, std::size_t count)
{
    static const auto table = CrcTable();
    std::uint8_t bytes[1024 + 4] = {};
    for (std::size_t i = 0; i < 256; ++i)
        for (int b = 0; b < 4; ++b)
            bytes[4 * i + b] = static_cast<std::uint8_t>(table[i] >> (8 * b));
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned idx = (value ^ data[i]) & 0xFFu;
        const std::uint32_t t =
            static_cast<std::uint32_t>(bytes[idx]) | static_cast<std::uint32_t>(bytes[idx + 1]) << 8 |
            static_cast<std::uint32_t>(bytes[idx + 2]) << 16 | static_cast<std::uint32_t>(bytes[idx + 3]) << 24;
        value = (value >> 8) ^ t;
    }
    return value;
}

// The ordinary CRC-32 (inverted in and out), as zlib computes it.
std::uint32_t StandardCrc32(const std::string& text)
{
    static const auto table = CrcTable();
    std::uint32_t c = 0xFFFFFFFFu;
    for (const char ch : text)
        c = (c >> 8) ^ table[(c ^ static_cast<std::uint8_t>(ch)) & 0xFFu];
    return c ^ 0xFFFFFFFFu;
}

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> data(n);
    for (auto& b : data)
        b = static_cast<std::uint8_t>(generator());
    return data;
}

} // namespace

TEST(ChecksumValues, PublishedCheckValues)
{
    EXPECT_EQ(Sum("a"), 0xC0136C98u);
    EXPECT_EQ(Sum("abc"), 0x5C6277B7u);
    EXPECT_EQ(Sum("123456789"), 0xD59D19BEu);
}

TEST(ChecksumValues, EmptyOrNullDataLeavesValueUnchanged)
{
    EXPECT_EQ(UpdateChecksum(0, "", 0), 0u);
    EXPECT_EQ(UpdateChecksum(0x12345678u, "abc", 0), 0x12345678u);
    EXPECT_EQ(UpdateChecksum(0xDEADBEEFu, nullptr, 0), 0xDEADBEEFu);
    // A null pointer wins over a non-zero count.
    EXPECT_EQ(UpdateChecksum(0xDEADBEEFu, nullptr, 17), 0xDEADBEEFu);
}

TEST(ChecksumValues, ChainingEqualsOneCall)
{
    EXPECT_EQ(Sum("bc", Sum("a")), Sum("abc"));
    EXPECT_EQ(Sum("6789", Sum("12345")), Sum("123456789"));
}

TEST(ChecksumValues, SplitAtEveryOffsetEqualsOneCall)
{
    for (const std::size_t size : {1u, 2u, 9u, 64u, 257u, 1031u}) {
        const auto data = RandomBytes(size, 1000u + static_cast<unsigned>(size));
        const std::uint32_t whole = UpdateChecksum(0, data.data(), data.size());
        ASSERT_EQ(whole, ReferenceChecksum(0, data.data(), data.size())) << "size " << size;
        for (std::size_t cut = 0; cut <= size; ++cut) {
            const std::uint32_t head = UpdateChecksum(0, data.data(), cut);
            ASSERT_EQ(UpdateChecksum(head, data.data() + cut, size - cut), whole) << "size " << size << " cut " << cut;
        }
    }
}

TEST(ChecksumValues, MatchesLiteralLookupOnEveryByteAndStartValue)
{
    // Every single byte from several start values touches every one of the 256 lookup positions.
    for (const std::uint32_t start : {0u, 1u, 0xFFFFFFFFu, 0x80000000u, 0x0F1E2D3Cu}) {
        for (unsigned b = 0; b < 256; ++b) {
            const auto byte = static_cast<std::uint8_t>(b);
            ASSERT_EQ(UpdateChecksum(start, &byte, 1), ReferenceChecksum(start, &byte, 1))
                << "start " << start << " byte " << b;
        }
    }
    const auto big = RandomBytes(100000, 7);
    EXPECT_EQ(UpdateChecksum(0, big.data(), big.size()), ReferenceChecksum(0, big.data(), big.size()));
}

TEST(ChecksumValues, DiffersFromStandardCrc32)
{
    // The reference loop is the ordinary CRC-32: its well-known check value proves it.
    ASSERT_EQ(StandardCrc32("123456789"), 0xCBF43926u);
    for (const std::string text : {"a", "abc", "123456789", "The quick brown fox"})
        EXPECT_NE(Sum(text), StandardCrc32(text)) << text;
}
