// SPDX-License-Identifier: GPL-3.0-or-later
// Both DES implementations against published vectors, against each other and against OpenSSL.
#include "Des.h"

#include <gtest/gtest.h>
#if defined(KELVANE_OPENSSL_ORACLE)
#include <openssl/evp.h>
#include <openssl/provider.h>
#endif

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <ostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Block = std::array<std::uint8_t, 8>;
using Key3 = std::array<std::uint8_t, 24>;

Block BlockFromHex(const std::string& hex)
{
    Block b{};
    if (hex.size() != 16) throw std::runtime_error("not 16 hex digits: " + hex);
    for (std::size_t i = 0; i < 8; ++i)
        b[i] = static_cast<std::uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return b;
}

struct KnownAnswer
{
    Block key, plain, cipher;
    int line;
};

std::vector<KnownAnswer> ReadKnownAnswers()
{
    std::ifstream in(KELVANE_TEST_DATA "/des_vectors.txt");
    std::vector<KnownAnswer> vectors;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        if (text.empty() || text[0] == '#') continue;
        std::istringstream fields(text);
        std::string key, plain, cipher;
        fields >> key >> plain >> cipher;
        vectors.push_back({BlockFromHex(key), BlockFromHex(plain), BlockFromHex(cipher), line});
    }
    return vectors;
}

Block BitDes(const Block& key, const Block& input, bool encipher)
{
    Block out{};
    BitDesBlock(input.data(), out.data(), key.data(), encipher ? 1 : 0);
    return out;
}

Block TableDes(const Block& key, Block block, bool encipher)
{
    DesSchedule schedule;
    DesMakeSchedule(schedule, key.data(), encipher ? 0 : 1);
    DesBlock(schedule, block.data());
    return block;
}

// Keys and blocks from a fixed seed, so that a failure can be reproduced.
struct Random
{
    std::mt19937_64 engine{20240611};
    template <class Array>
    Array Next()
    {
        Array a{};
        for (auto& byte : a)
            byte = static_cast<std::uint8_t>(engine());
        return a;
    }
};

[[maybe_unused]] Block Part(const Key3& key, int i) // used by the OpenSSL oracle only
{
    Block b{};
    std::copy_n(key.begin() + 8 * i, 8, b.begin());
    return b;
}

TEST(DesKnownAnswer, BothImplementationsInBothDirections)
{
    const auto vectors = ReadKnownAnswers();
    ASSERT_GE(vectors.size(), 30u) << "des_vectors.txt missing or truncated";
    for (const auto& v : vectors) {
        SCOPED_TRACE("des_vectors.txt line " + std::to_string(v.line));
        EXPECT_EQ(BitDes(v.key, v.plain, true), v.cipher);
        EXPECT_EQ(BitDes(v.key, v.cipher, false), v.plain);
        EXPECT_EQ(TableDes(v.key, v.plain, true), v.cipher);
        EXPECT_EQ(TableDes(v.key, v.cipher, false), v.plain);
    }
}

TEST(DesInvariants, ImplementationsAgreeOnRandomInput)
{
    Random random;
    for (int i = 0; i < 500; ++i) {
        const auto key = random.Next<Block>();
        const auto block = random.Next<Block>();
        for (bool encipher : {true, false}) {
            ASSERT_EQ(BitDes(key, block, encipher), TableDes(key, block, encipher)) << "case " << i;
        }
    }
}

TEST(DesInvariants, ParityBitsHaveNoEffect)
{
    Random random;
    for (int i = 0; i < 200; ++i) {
        const auto key = random.Next<Block>();
        const auto block = random.Next<Block>();
        // One flag per byte, at least one of them set.
        const auto flips = static_cast<unsigned>(random.engine() | 1u << (random.engine() % 8));
        auto other = key;
        for (int b = 0; b < 8; ++b)
            other[b] ^= static_cast<std::uint8_t>((flips >> b) & 1);
        ASSERT_NE(key, other);
        EXPECT_EQ(BitDes(key, block, true), BitDes(other, block, true)) << "case " << i;
        EXPECT_EQ(TableDes(key, block, true), TableDes(other, block, true)) << "case " << i;
    }
}

TEST(DesInvariants, BitDesInPlaceEqualsOutOfPlace)
{
    Random random;
    for (int i = 0; i < 100; ++i) {
        const auto key = random.Next<Block>();
        const auto block = random.Next<Block>();
        for (int direction : {1, 0}) {
            Block inPlace = block;
            BitDesBlock(inPlace.data(), inPlace.data(), key.data(), direction);
            EXPECT_EQ(inPlace, BitDes(key, block, direction == 1)) << "case " << i;
        }
    }
}

TEST(DesInvariants, DecryptionScheduleIsTheEncryptionOneReversed)
{
    Random random;
    for (int i = 0; i < 50; ++i) {
        const auto key = random.Next<Block>();
        DesSchedule enc, dec;
        DesMakeSchedule(enc, key.data(), 0);
        DesMakeSchedule(dec, key.data(), 1);
        for (int round = 0; round < 16; ++round) {
            EXPECT_EQ(dec.words[2 * round], enc.words[2 * (15 - round)]);
            EXPECT_EQ(dec.words[2 * round + 1], enc.words[2 * (15 - round) + 1]);
        }
    }
}

TEST(TripleDes, EqualsThreeSingleStages)
{
    Random random;
    for (int i = 0; i < 200; ++i) {
        const auto key = random.Next<Key3>();
        const auto block = random.Next<Block>();
        DesSchedule s[3];
        for (int k = 0; k < 3; ++k)
            DesMakeSchedule(s[k], key.data() + 8 * k, static_cast<int>(random.engine() & 1));
        Block staged = block;
        for (const auto& stage : s)
            DesBlock(stage, staged.data());
        Block fused = block;
        DesBlock3(s[0], s[1], s[2], fused.data());
        EXPECT_EQ(fused, staged) << "case " << i;
    }
}

TEST(TripleDes, ThreeEqualKeysAreSingleDes)
{
    Random random;
    for (int i = 0; i < 100; ++i) {
        const auto key = random.Next<Block>();
        const auto block = random.Next<Block>();
        DesSchedule enc, dec;
        DesMakeSchedule(enc, key.data(), 0);
        DesMakeSchedule(dec, key.data(), 1);
        Block ede = block;
        DesBlock3(enc, dec, enc, ede.data());
        EXPECT_EQ(ede, TableDes(key, block, true)) << "case " << i;
        Block ded = block;
        DesBlock3(dec, enc, dec, ded.data());
        EXPECT_EQ(ded, TableDes(key, block, false)) << "case " << i;
    }
}

// The word forms (block as a word, byte 0 lowest) against the in-memory ones.
TEST(DesWord, EqualsTheInMemoryRoutines)
{
    Random random;
    for (int i = 0; i < 500; ++i) {
        const Key3 key = random.Next<Key3>();
        const Block block = random.Next<Block>();
        DesSchedule s[3];
        for (int k = 0; k < 3; ++k)
            DesMakeSchedule(s[k], key.data() + 8 * k, (i + k) % 2);
        std::uint64_t word = 0;
        for (int k = 7; k >= 0; --k)
            word = word << 8 | block[static_cast<std::size_t>(k)];
        Block single = block, triple = block, fromWord{}, fromWord3{};
        DesBlock(s[0], single.data());
        DesBlock3(s[0], s[1], s[2], triple.data());
        const std::uint64_t a = DesBlockWord(s[0], word), b = DesBlock3Word(s[0], s[1], s[2], word);
        for (std::size_t k = 0; k < 8; ++k) {
            fromWord[k] = static_cast<std::uint8_t>(a >> (8 * k));
            fromWord3[k] = static_cast<std::uint8_t>(b >> (8 * k));
        }
        EXPECT_EQ(fromWord, single) << "case " << i;
        EXPECT_EQ(fromWord3, triple) << "case " << i;
    }
}

#if defined(KELVANE_OPENSSL_ORACLE)
// OpenSSL as the oracle, in a library context of its own so that loading the legacy provider
// (single DES lives there since OpenSSL 3) does not change what other tests see.
class OpenSsl
{
public:
    OpenSsl()
        : context_(OSSL_LIB_CTX_new()), legacy_(OSSL_PROVIDER_load(context_, "legacy")),
          default_(OSSL_PROVIDER_load(context_, "default"))
    {
    }
    ~OpenSsl()
    {
        if (legacy_ != nullptr) OSSL_PROVIDER_unload(legacy_);
        if (default_ != nullptr) OSSL_PROVIDER_unload(default_);
        OSSL_LIB_CTX_free(context_);
    }
    OpenSsl(const OpenSsl&) = delete;
    OpenSsl& operator=(const OpenSsl&) = delete;

    // One ECB block; an empty result when OpenSSL cannot do it.
    std::vector<std::uint8_t> Run(const char* cipherName, const std::uint8_t* key, const Block& input, bool encipher)
    {
        std::vector<std::uint8_t> out(16);
        EVP_CIPHER* cipher = EVP_CIPHER_fetch(context_, cipherName, nullptr);
        EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
        int n = 0, final = 0;
        const bool ok = cipher != nullptr && ctx != nullptr &&
                        EVP_CipherInit_ex2(ctx, cipher, key, nullptr, encipher ? 1 : 0, nullptr) == 1 &&
                        EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
                        EVP_CipherUpdate(ctx, out.data(), &n, input.data(), 8) == 1 &&
                        EVP_CipherFinal_ex(ctx, out.data() + n, &final) == 1;
        EVP_CIPHER_CTX_free(ctx);
        EVP_CIPHER_free(cipher);
        if (!ok) return {};
        out.resize(static_cast<std::size_t>(n + final));
        return out;
    }

private:
    OSSL_LIB_CTX* context_;
    OSSL_PROVIDER* legacy_;
    OSSL_PROVIDER* default_;
};

struct OracleCase
{
    const char* name;
    const char* openSslCipher;
    bool encipher;
    Block (*ours)(const Key3& key, const Block& input);
};

void PrintTo(const OracleCase& c, std::ostream* os)
{
    *os << c.name;
}

Block Ede(const Key3& key, const Block& input)
{
    DesSchedule k1, k2, k3;
    DesMakeSchedule(k1, key.data(), 0);
    DesMakeSchedule(k2, key.data() + 8, 1);
    DesMakeSchedule(k3, key.data() + 16, 0);
    Block b = input;
    DesBlock3(k1, k2, k3, b.data());
    return b;
}

Block Ded(const Key3& key, const Block& input)
{
    DesSchedule k1, k2, k3;
    DesMakeSchedule(k3, key.data() + 16, 1);
    DesMakeSchedule(k2, key.data() + 8, 0);
    DesMakeSchedule(k1, key.data(), 1);
    Block b = input;
    DesBlock3(k3, k2, k1, b.data());
    return b;
}

const OracleCase kOracleCases[] = {
    {"BitSerialEncipher", "DES-ECB", true, [](const Key3& k, const Block& b) { return BitDes(Part(k, 0), b, true); }},
    {"BitSerialDecipher", "DES-ECB", false, [](const Key3& k, const Block& b) { return BitDes(Part(k, 0), b, false); }},
    {"TableEncipher", "DES-ECB", true, [](const Key3& k, const Block& b) { return TableDes(Part(k, 0), b, true); }},
    {"TableDecipher", "DES-ECB", false, [](const Key3& k, const Block& b) { return TableDes(Part(k, 0), b, false); }},
    {"TripleEncipher", "DES-EDE3-ECB", true, Ede},
    {"TripleDecipher", "DES-EDE3-ECB", false, Ded},
};

class DesAgainstOpenSsl : public testing::TestWithParam<OracleCase>
{
};

TEST_P(DesAgainstOpenSsl, RandomKeysAndBlocks)
{
    const OracleCase& c = GetParam();
    OpenSsl openSsl;
    Random random;
    for (int i = 0; i < 200; ++i) {
        const auto key = random.Next<Key3>();
        const auto block = random.Next<Block>();
        const auto expected = openSsl.Run(c.openSslCipher, key.data(), block, c.encipher);
        ASSERT_EQ(expected.size(), 8u) << "OpenSSL could not run " << c.openSslCipher
                                       << " (is the legacy provider installed?)";
        const Block ours = c.ours(key, block);
        EXPECT_TRUE(std::equal(ours.begin(), ours.end(), expected.begin())) << "case " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DesAgainstOpenSsl, testing::ValuesIn(kOracleCases),
                         [](const testing::TestParamInfo<OracleCase>& info) { return std::string(info.param.name); });

#endif

} // namespace
