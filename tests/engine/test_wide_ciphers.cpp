// SPDX-License-Identifier: GPL-3.0-or-later
// The many-block cipher paths against the one-block routines, on every instruction-set level
// this machine runs: random keys, data and lengths (batch and chunk edges included), the
// known-answer vectors pushed through whole batches, and whole files through the engine.
#include "Cbc.h"
#include "Des.h"
#include "Idea.h"
#include "SimdLevel.h"
#include "TKV_Pwd.h"
#include "WideCiphers.h"

#include "FileTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using filetest::Bytes;

// Selects a level for one test and restores the automatic choice after it.
class LevelGuard
{
public:
    explicit LevelGuard(SimdLevel level) : level_(SimdForceLevel(level)) {}
    ~LevelGuard() { SimdForceLevel(SimdBestLevel()); }
    LevelGuard(const LevelGuard&) = delete;
    LevelGuard& operator=(const LevelGuard&) = delete;
    SimdLevel level() const { return level_; }

private:
    SimdLevel level_;
};

std::vector<SimdLevel> RunnableLevels()
{
    std::vector<SimdLevel> levels;
    for (int l = 0; l <= static_cast<int>(SimdBestLevel()); ++l)
        levels.push_back(static_cast<SimdLevel>(l));
    return levels;
}

std::string LevelName(const testing::TestParamInfo<SimdLevel>& info)
{
    static const char* const names[] = {"Portable", "Sse2", "Avx2", "Avx512"};
    return names[static_cast<int>(info.param)];
}

// Batch edges of every level (8, 16, 32 IDEA blocks; 64, 256, 512 DES blocks), one piece of the
// CBC loop (512) and one file chunk (1280 blocks), each with a block less and more.
const std::vector<std::size_t> kEdgeLengths = {0,    1,    7,    8,    9,    15,   16,   17,   31,   32,   33,
                                               63,   64,   65,   255,  256,  257,  511,  512,  513,  767,  768,
                                               1023, 1024, 1025, 1279, 1280, 1281, 1791, 1792, 1793, 2047, 2560};

Bytes RandomBytes(std::mt19937_64& random, std::size_t n)
{
    Bytes b(n);
    for (auto& byte : b)
        byte = static_cast<std::uint8_t>(random());
    return b;
}

std::vector<std::size_t> Lengths(std::mt19937_64& random)
{
    std::vector<std::size_t> lengths = kEdgeLengths;
    for (int i = 0; i < 12; ++i)
        lengths.push_back(static_cast<std::size_t>(random() % 3000));
    return lengths;
}

class WideCiphers : public testing::TestWithParam<SimdLevel>
{
};

TEST_P(WideCiphers, LevelIsSelectable)
{
    LevelGuard guard(GetParam());
    EXPECT_EQ(guard.level(), GetParam());
    EXPECT_EQ(SimdActiveLevel(), GetParam());
}

TEST_P(WideCiphers, IdeaEqualsOneBlockAtATime)
{
    LevelGuard guard(GetParam());
    std::mt19937_64 random(1701 + static_cast<unsigned>(GetParam()));
    for (const std::size_t blocks : Lengths(random)) {
        const Bytes key = RandomBytes(random, 16);
        IdeaKeySchedule schedule, inverse;
        IdeaExpandKey(key.data(), schedule);
        IdeaInvertKey(schedule, inverse);
        const Bytes data = RandomBytes(random, 8 * blocks);
        for (const IdeaKeySchedule* s : {&schedule, &inverse}) {
            Bytes expected = data;
            for (std::size_t i = 0; i < blocks; ++i)
                IdeaBlock(&expected[8 * i], &expected[8 * i], *s);
            Bytes wide = data;
            IdeaBlocksWide(*s, wide.data(), blocks);
            ASSERT_EQ(wide, expected) << blocks << " blocks";
        }
    }
}

TEST_P(WideCiphers, IdeaMultiplicationEdgeWords)
{
    // Words 0 (= 65536) and 1 as data and as subkeys, where the zero fix-up and the borrow matter.
    LevelGuard guard(GetParam());
    const std::uint16_t words[] = {0, 1, 2, 0x7fff, 0x8000, 0x8001, 0xfffe, 0xffff};
    IdeaKeySchedule schedule;
    for (int k = 0; k < 8; ++k) {
        for (int i = 0; i < 52; ++i)
            schedule.subkeys[i] = words[(k + i) % 8];
        Bytes data(8 * 512);
        for (std::size_t i = 0; i < data.size() / 2; ++i) {
            data[2 * i] = static_cast<std::uint8_t>(words[(i * 5 + i / 8) % 8]);
            data[2 * i + 1] = static_cast<std::uint8_t>(words[(i * 5 + i / 8) % 8] >> 8);
        }
        Bytes expected = data;
        for (std::size_t i = 0; i < 512; ++i)
            IdeaBlock(&expected[8 * i], &expected[8 * i], schedule);
        IdeaBlocksWide(schedule, data.data(), 512);
        ASSERT_EQ(data, expected) << "pattern " << k;
    }
}

TEST_P(WideCiphers, DesEqualsOneBlockAtATime)
{
    LevelGuard guard(GetParam());
    std::mt19937_64 random(4603 + static_cast<unsigned>(GetParam()));
    for (const std::size_t blocks : Lengths(random)) {
        const Bytes key = RandomBytes(random, 8);
        const Bytes data = RandomBytes(random, 8 * blocks);
        for (int direction = 0; direction < 2; ++direction) {
            DesSchedule schedule;
            DesMakeSchedule(schedule, key.data(), direction);
            DesSliceKeys keys;
            DesSliceKeysMake(keys, schedule);
            Bytes expected = data;
            for (std::size_t i = 0; i < blocks; ++i)
                DesBlock(schedule, &expected[8 * i]);
            Bytes wide = data;
            DesBlocksWide(keys, wide.data(), blocks);
            ASSERT_EQ(wide, expected) << blocks << " blocks, direction " << direction;
        }
    }
}

TEST_P(WideCiphers, TripleDesEqualsOneBlockAtATime)
{
    LevelGuard guard(GetParam());
    std::mt19937_64 random(2718 + static_cast<unsigned>(GetParam()));
    for (const std::size_t blocks : Lengths(random)) {
        const Bytes key = RandomBytes(random, 24);
        const Bytes data = RandomBytes(random, 8 * blocks);
        for (int decipher = 0; decipher < 2; ++decipher) {
            DesSchedule s[3];
            // EDE as the engine builds it: (K1 enc, K2 dec, K3 enc) and (K3 dec, K2 enc, K1 dec).
            DesMakeSchedule(s[0], key.data() + (decipher ? 16 : 0), decipher);
            DesMakeSchedule(s[1], key.data() + 8, 1 - decipher);
            DesMakeSchedule(s[2], key.data() + (decipher ? 0 : 16), decipher);
            DesSliceKeys keys;
            DesSliceKeysMake(keys, s[0], s[1], s[2]);
            Bytes expected = data;
            for (std::size_t i = 0; i < blocks; ++i)
                DesBlock3(s[0], s[1], s[2], &expected[8 * i]);
            Bytes wide = data;
            DesBlocksWide(keys, wide.data(), blocks);
            ASSERT_EQ(wide, expected) << blocks << " blocks, decipher " << decipher;
        }
    }
}

TEST_P(WideCiphers, DesEqualsBitSerialReference)
{
    LevelGuard guard(GetParam());
    std::mt19937_64 random(99 + static_cast<unsigned>(GetParam()));
    const std::size_t blocks = 600;
    const Bytes key = RandomBytes(random, 8);
    const Bytes data = RandomBytes(random, 8 * blocks);
    for (int encipher = 0; encipher < 2; ++encipher) {
        Bytes expected = data;
        for (std::size_t i = 0; i < blocks; ++i)
            BitDesBlock(&expected[8 * i], &expected[8 * i], key.data(), encipher);
        DesSchedule schedule;
        DesMakeSchedule(schedule, key.data(), 1 - encipher);
        DesSliceKeys keys;
        DesSliceKeysMake(keys, schedule);
        Bytes wide = data;
        DesBlocksWide(keys, wide.data(), blocks);
        EXPECT_EQ(wide, expected) << "encipher " << encipher;
    }
}

// The chaining loops: many blocks at once against one at a time, with the chain carried across
// calls and the checksum over only the first `summed` blocks, as the file loop uses them.
TEST_P(WideCiphers, ChainingLoopsEqualOneBlockAtATime)
{
    LevelGuard guard(GetParam());
    std::mt19937_64 random(5150 + static_cast<unsigned>(GetParam()));
    const Bytes key = RandomBytes(random, 24);
    IdeaKeySchedule idea;
    IdeaExpandKey(key.data(), idea);
    DesSchedule des[3];
    DesMakeSchedule(des[0], key.data() + 16, 1);
    DesMakeSchedule(des[1], key.data() + 8, 0);
    DesMakeSchedule(des[2], key.data(), 1);
    DesSliceKeys single, triple;
    DesSliceKeysMake(single, des[0]);
    DesSliceKeysMake(triple, des[0], des[1], des[2]);

    const auto check = [&](const auto& one, const auto& wide, const char* what) {
        for (const std::size_t blocks : Lengths(random)) {
            const Bytes data = RandomBytes(random, 8 * blocks);
            const Bytes iv = RandomBytes(random, 8);
            const std::size_t summed = blocks == 0 ? 0 : random() % (blocks + 1);
            Bytes a = data, b = data, chainA = iv, chainB = iv;
            std::uint32_t sumA = 0x1234, sumB = 0x1234;
            DecipherBlocks<true>(one, chainA.data(), a.data(), blocks, sumA, summed);
            DecipherBlocksWide<true>(wide, chainB.data(), b.data(), blocks, sumB, summed);
            ASSERT_EQ(b, a) << what << " CBC, " << blocks << " blocks";
            ASSERT_EQ(chainB, chainA) << what << " CBC, " << blocks << " blocks";
            ASSERT_EQ(sumB, sumA) << what << " CBC, " << blocks << " blocks, " << summed << " summed";
            a = data;
            b = data;
            DecipherBlocks<false>(one, chainA.data(), a.data(), blocks, sumA, summed);
            DecipherBlocksWide<false>(wide, chainB.data(), b.data(), blocks, sumB, summed);
            ASSERT_EQ(b, a) << what << " ECB, " << blocks << " blocks";
            ASSERT_EQ(sumB, sumA) << what << " ECB, " << blocks << " blocks";
            a = data;
            b = data;
            EncipherBlocks<false>(one, chainA.data(), a.data(), blocks, sumA, summed);
            EncipherBlocksWide(wide, b.data(), blocks, sumB, summed);
            ASSERT_EQ(b, a) << what << " ECB enciphering, " << blocks << " blocks";
            ASSERT_EQ(sumB, sumA) << what << " ECB enciphering, " << blocks << " blocks";
        }
    };
    check(IdeaCipher{&idea}, WideIdea{&idea}, "IDEA");
    check(TableDesCipher{&des[0]}, WideDes{&single}, "DES");
    check(TripleDesCipher{&des[0], &des[1], &des[2]}, WideDes{&triple}, "Triple DES");
}

// Every known-answer line repeated through a whole widest batch and a ragged tail.
std::vector<std::vector<std::string>> ReadVectorLines(const char* file)
{
    std::ifstream in(std::string(KELVANE_TEST_DATA) + "/" + file);
    std::vector<std::vector<std::string>> lines;
    std::string text;
    while (std::getline(in, text)) {
        if (text.empty() || text[0] == '#') continue;
        std::istringstream fields(text);
        std::string a, b, c;
        fields >> a >> b >> c;
        lines.push_back({a, b, c});
    }
    return lines;
}

Bytes FromHex(const std::string& hex, bool swapWords)
{
    Bytes b(hex.size() / 2);
    for (std::size_t i = 0; i < b.size(); ++i)
        b[swapWords ? i ^ 1 : i] = static_cast<std::uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return b;
}

Bytes Repeat(const Bytes& block, std::size_t times)
{
    Bytes out;
    for (std::size_t i = 0; i < times; ++i)
        out.insert(out.end(), block.begin(), block.end());
    return out;
}

constexpr std::size_t kRepeats = 777;

TEST_P(WideCiphers, DesKnownAnswersInBothDirections)
{
    LevelGuard guard(GetParam());
    const auto lines = ReadVectorLines("des_vectors.txt");
    ASSERT_FALSE(lines.empty());
    for (const auto& line : lines) {
        const Bytes key = FromHex(line[0], false), plain = FromHex(line[1], false), cipher = FromHex(line[2], false);
        DesSchedule enc, dec;
        DesMakeSchedule(enc, key.data(), 0);
        DesMakeSchedule(dec, key.data(), 1);
        DesSliceKeys encKeys, decKeys;
        DesSliceKeysMake(encKeys, enc);
        DesSliceKeysMake(decKeys, dec);
        Bytes data = Repeat(plain, kRepeats);
        DesBlocksWide(encKeys, data.data(), kRepeats);
        EXPECT_EQ(data, Repeat(cipher, kRepeats)) << line[0] << " " << line[1];
        DesBlocksWide(decKeys, data.data(), kRepeats);
        EXPECT_EQ(data, Repeat(plain, kRepeats)) << line[0] << " " << line[1];
    }
}

TEST_P(WideCiphers, IdeaKnownAnswersInBothDirections)
{
    LevelGuard guard(GetParam());
    const auto lines = ReadVectorLines("idea_vectors.txt");
    ASSERT_FALSE(lines.empty());
    for (const auto& line : lines) {
        const Bytes key = FromHex(line[0], true), plain = FromHex(line[1], true), cipher = FromHex(line[2], true);
        IdeaKeySchedule enc, dec;
        IdeaExpandKey(key.data(), enc);
        IdeaInvertKey(enc, dec);
        Bytes data = Repeat(plain, kRepeats);
        IdeaBlocksWide(enc, data.data(), kRepeats);
        EXPECT_EQ(data, Repeat(cipher, kRepeats)) << line[0] << " " << line[1];
        IdeaBlocksWide(dec, data.data(), kRepeats);
        EXPECT_EQ(data, Repeat(plain, kRepeats)) << line[0] << " " << line[1];
    }
}

// Whole files: the container is the same on every level (method 0 enciphers on the wide path)
// and every level gives the plain file back, with the same progress and callback counts.
TEST_P(WideCiphers, FilesRoundTripAndContainersAgreeAcrossLevels)
{
    filetest::TempDir dir("wide");
    std::mt19937_64 random(31337);
    const std::vector<long long> sizes = {0, 5, 8, 4095, 10239, 10240, 10241, 20480 + 511, 3 * 10240 + 4100};
    for (int method = 0; method <= 4; ++method) {
        for (const long long size : sizes) {
            const Bytes plain = RandomBytes(random, static_cast<std::size_t>(size));
            const std::string path = dir / "f.bin";
            filetest::WriteBytes(path, plain);
            Bytes reference;
            {
                LevelGuard portable(SimdLevel::Portable);
                TKV_Pwd pwd;
                pwd.SetPassword("wide paths");
                ASSERT_EQ(pwd.EncryptFile(path, method, true), 0);
                reference = filetest::ReadBytes(path + ".cry");
            }
            LevelGuard guard(GetParam());
            TKV_Pwd pwd;
            pwd.SetPassword("wide paths");
            int calls = 0;
            pwd.ProcessMessages = [&] { ++calls; };
            ASSERT_EQ(pwd.EncryptFile(path, method, true), 0);
            ASSERT_EQ(filetest::ReadBytes(path + ".cry"), reference) << "method " << method << " size " << size;
            std::filesystem::remove(path);
            calls = 0;
            ASSERT_EQ(pwd.DecryptFile(path + ".cry", true), 0) << "method " << method << " size " << size;
            EXPECT_EQ(filetest::ReadBytes(path), plain) << "method " << method << " size " << size;
            EXPECT_EQ(pwd.BlocksDone, pwd.BlocksTotal);
            EXPECT_EQ(calls, (size + 8 - size % 8) / 10240 + 1);
            std::filesystem::remove(path + ".cry");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, WideCiphers, testing::ValuesIn(RunnableLevels()), LevelName);

} // namespace
