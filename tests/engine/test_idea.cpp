// SPDX-License-Identifier: GPL-3.0-or-later
// IDEA with words stored low byte first: published vectors, the modular arithmetic and the
// schedule inversion.
#include "Idea.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Block = std::array<std::uint8_t, 8>;
using Key = std::array<std::uint8_t, 16>;

// Publications write IDEA words high byte first; this program stores them low byte first.
template <class Array>
Array SwappedFromHex(const std::string& hex)
{
    Array a{};
    if (hex.size() != 2 * a.size()) throw std::runtime_error("wrong length: " + hex);
    for (std::size_t i = 0; i < a.size(); ++i) {
        a[i ^ 1] = static_cast<std::uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    }
    return a;
}

struct KnownAnswer
{
    Key key;
    Block plain, cipher;
    int line;
};

std::vector<KnownAnswer> ReadKnownAnswers()
{
    std::ifstream in(KELVANE_TEST_DATA "/idea_vectors.txt");
    std::vector<KnownAnswer> vectors;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        if (text.empty() || text[0] == '#') continue;
        std::istringstream fields(text);
        std::string key, plain, cipher;
        fields >> key >> plain >> cipher;
        vectors.push_back(
            {SwappedFromHex<Key>(key), SwappedFromHex<Block>(plain), SwappedFromHex<Block>(cipher), line});
    }
    return vectors;
}

struct Schedules
{
    IdeaKeySchedule encrypt, decrypt;
    explicit Schedules(const Key& key)
    {
        IdeaExpandKey(key.data(), encrypt);
        IdeaInvertKey(encrypt, decrypt);
    }
};

Block Apply(const IdeaKeySchedule& schedule, const Block& input)
{
    Block out{};
    IdeaBlock(input.data(), out.data(), schedule);
    return out;
}

// Multiplication modulo 65537 done the slow, obvious way.
std::uint16_t ReferenceMul(std::uint32_t a, std::uint32_t b)
{
    const std::uint64_t p = std::uint64_t{a == 0 ? 65536u : a} * (b == 0 ? 65536u : b) % 65537;
    return static_cast<std::uint16_t>(p); // 65536 becomes 0
}

TEST(IdeaKnownAnswer, PublishedVectorsWithSwappedWords)
{
    const auto vectors = ReadKnownAnswers();
    ASSERT_GE(vectors.size(), 6u) << "idea_vectors.txt missing or truncated";
    for (const auto& v : vectors) {
        SCOPED_TRACE("idea_vectors.txt line " + std::to_string(v.line));
        const Schedules s(v.key);
        EXPECT_EQ(Apply(s.encrypt, v.plain), v.cipher);
        EXPECT_EQ(Apply(s.decrypt, v.cipher), v.plain);
    }
}

// The first published vector spelt out byte by byte, so that the word order does not rest on
// the swapping helper above.
TEST(IdeaKnownAnswer, WordsAreStoredLowByteFirst)
{
    const Key key = {1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0};
    const Block plain = {0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00};
    const Block cipher = {0xFB, 0x11, 0x2B, 0xED, 0x98, 0x01, 0xE5, 0x6D};
    const Schedules s(key);
    EXPECT_EQ(Apply(s.encrypt, plain), cipher);
    EXPECT_EQ(Apply(s.decrypt, cipher), plain);
}

TEST(IdeaArithmetic, MulTable)
{
    struct Case
    {
        std::uint16_t a, b, product;
    };
    const Case cases[] = {
        {0, 0, 1},         // 65536 * 65536 = (-1)(-1)
        {0, 1, 0},         // 65536 * 1 = 65536
        {1, 0, 0},         //
        {0, 2, 65535},     // -2
        {0, 65535, 2},     // (-1)(-2)
        {65535, 65535, 4}, // (-2)(-2)
        {65535, 32768, 1}, //
        {2, 32768, 0},     // exactly 65536
        {3, 21846, 1},     // 65538
        {1, 1, 1},         //
        {12345, 1, 12345}, //
    };
    for (const auto& c : cases)
        EXPECT_EQ(IdeaMul(c.a, c.b), c.product) << c.a << " * " << c.b;
}

TEST(IdeaArithmetic, MulMatchesReference)
{
    for (std::uint32_t a = 0; a < 65536; ++a) {
        for (std::uint32_t b : {0u, 1u, 2u, 255u, 32768u, 65535u, a}) {
            ASSERT_EQ(IdeaMul(static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(b)), ReferenceMul(a, b))
                << a << " * " << b;
        }
    }
    std::mt19937 random(7);
    for (int i = 0; i < 200000; ++i) {
        const auto a = static_cast<std::uint16_t>(random());
        const auto b = static_cast<std::uint16_t>(random());
        ASSERT_EQ(IdeaMul(a, b), ReferenceMul(a, b)) << a << " * " << b;
    }
}

TEST(IdeaArithmetic, InverseTable)
{
    struct Case
    {
        std::uint16_t x, inverse;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {65535, 32768}, {32768, 65535}, {2, 32769}, {3, 21846}};
    for (const auto& c : cases)
        EXPECT_EQ(IdeaInverse(c.x), c.inverse) << c.x;
}

TEST(IdeaArithmetic, EveryWordTimesItsInverseIsOne)
{
    for (std::uint32_t x = 0; x < 65536; ++x) {
        const std::uint16_t inverse = IdeaInverse(static_cast<std::uint16_t>(x));
        ASSERT_EQ(ReferenceMul(x, inverse), 1) << x;
    }
}

TEST(IdeaSchedule, RoundTripIncludingZeroWords)
{
    std::mt19937_64 random(11);
    std::vector<Key> keys = {
        Key{}, // every word zero
        {0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0},
        {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0},
    };
    for (int i = 0; i < 20; ++i) {
        Key k{};
        for (auto& byte : k)
            byte = static_cast<std::uint8_t>(random());
        k[2 * (i % 8)] = k[2 * (i % 8) + 1] = 0;
        keys.push_back(k);
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const Schedules s(keys[i]);
        for (int j = 0; j < 50; ++j) {
            Block plain{};
            for (auto& byte : plain)
                byte = static_cast<std::uint8_t>(random());
            if (j == 0) plain = Block{}; // a block of zero words too
            const Block cipher = Apply(s.encrypt, plain);
            EXPECT_NE(cipher, plain) << "key " << i;
            EXPECT_EQ(Apply(s.decrypt, cipher), plain) << "key " << i << " block " << j;
        }
    }
}

TEST(IdeaSchedule, InversionLeavesTheSourceAlone)
{
    const Key key = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0, 0xAB, 0xCD, 0xEF, 0x01};
    IdeaKeySchedule encrypt;
    IdeaExpandKey(key.data(), encrypt);
    const IdeaKeySchedule before = encrypt;
    IdeaKeySchedule decrypt;
    IdeaInvertKey(encrypt, decrypt);
    EXPECT_TRUE(std::equal(std::begin(encrypt.subkeys), std::end(encrypt.subkeys), std::begin(before.subkeys)));

    // Inverting twice gives the original back, and inverting in place gives the same result.
    IdeaKeySchedule twice;
    IdeaInvertKey(decrypt, twice);
    EXPECT_TRUE(std::equal(std::begin(twice.subkeys), std::end(twice.subkeys), std::begin(encrypt.subkeys)));
    IdeaKeySchedule inPlace = encrypt;
    IdeaInvertKey(inPlace, inPlace);
    EXPECT_TRUE(std::equal(std::begin(inPlace.subkeys), std::end(inPlace.subkeys), std::begin(decrypt.subkeys)));
}

TEST(IdeaBlockTest, InPlaceEqualsOutOfPlace)
{
    std::mt19937_64 random(5);
    for (int i = 0; i < 100; ++i) {
        Key key{};
        Block block{};
        for (auto& byte : key)
            byte = static_cast<std::uint8_t>(random());
        for (auto& byte : block)
            byte = static_cast<std::uint8_t>(random());
        const Schedules s(key);
        Block inPlace = block;
        IdeaBlock(inPlace.data(), inPlace.data(), s.encrypt);
        EXPECT_EQ(inPlace, Apply(s.encrypt, block)) << "case " << i;
    }
}

// The word form (block as a word, byte 0 lowest) against the in-memory one.
TEST(IdeaWord, EqualsTheInMemoryRoutine)
{
    std::mt19937_64 random(8086);
    for (int i = 0; i < 500; ++i) {
        Key key{};
        Block block{};
        for (auto& byte : key)
            byte = static_cast<std::uint8_t>(random());
        for (auto& byte : block)
            byte = static_cast<std::uint8_t>(random());
        IdeaKeySchedule schedule;
        IdeaExpandKey(key.data(), schedule);
        if (i % 2 != 0) IdeaInvertKey(schedule, schedule);
        std::uint64_t word = 0;
        for (int k = 7; k >= 0; --k)
            word = word << 8 | block[static_cast<std::size_t>(k)];
        Block expected{};
        IdeaBlock(block.data(), expected.data(), schedule);
        const std::uint64_t out = IdeaBlockWord(word, schedule);
        Block fromWord{};
        for (std::size_t k = 0; k < 8; ++k)
            fromWord[k] = static_cast<std::uint8_t>(out >> (8 * k));
        EXPECT_EQ(fromWord, expected) << "case " << i;
    }
}

} // namespace
