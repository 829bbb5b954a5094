// SPDX-License-Identifier: GPL-3.0-or-later
// The checksum on its own thread: the same value as in one pass, and files large enough to use
// it behaving as smaller ones do (stored checksum, damage found, abort, read and write faults).
#include "Checksum.h"
#include "ChecksumThread.h"
#include "ResultCodes.h"
#include "TKV_Pwd.h"

#include "FileTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace filetest;

constexpr long long kChunk = 10240;
// Comfortably above the size from which the engine sums on a second thread.
constexpr std::size_t kLarge = 700 * 1024 + 13;

std::uint32_t StoredChecksum(const Bytes& container)
{
    return static_cast<std::uint32_t>(container[8]) | static_cast<std::uint32_t>(container[9]) << 8 |
           static_cast<std::uint32_t>(container[10]) << 16 | static_cast<std::uint32_t>(container[11]) << 24;
}

int HeaderLength(int method)
{
    return method == 0 || method == 2 ? 14 : 35;
}

bool SecondCore()
{
    return std::thread::hardware_concurrency() >= 2;
}

TEST(ChecksumThread, PiecesOfAnySizeGiveTheOnePassValue)
{
    std::mt19937_64 random(77);
    for (int run = 0; run < 20; ++run) {
        ChecksumThread aside(true);
        if (!SecondCore()) GTEST_SKIP() << "one core: the engine sums on its own thread";
        ASSERT_TRUE(aside.Running());
        Bytes all;
        const int pieces = static_cast<int>(random() % 40);
        for (int p = 0; p < pieces; ++p) {
            // From nothing to several buffers' worth, so that the hand-over waits for free buffers.
            const std::size_t n = random() % 5 == 0 ? random() % 300000 : random() % 20000;
            const Bytes piece = Pattern(n, static_cast<unsigned>(random()));
            aside.Add(piece.data(), piece.size());
            all.insert(all.end(), piece.begin(), piece.end());
        }
        EXPECT_EQ(aside.Finish(), UpdateChecksum(0, all.data(), all.size())) << "run " << run;
        EXPECT_FALSE(aside.Running());
    }
}

TEST(ChecksumThread, NotWantedMeansNoThread)
{
    const ChecksumThread aside(false);
    EXPECT_FALSE(aside.Running());
}

TEST(ChecksumThread, EndsWithoutFinishing)
{
    // A failed run leaves without the value; the thread must stop instead of waiting for more.
    const Bytes data = Pattern(1 << 20, 5);
    ChecksumThread aside(true);
    if (aside.Running()) aside.Add(data.data(), data.size());
}

class LargeFiles : public testing::TestWithParam<int>
{
protected:
    TempDir dir{"aside"};
    TKV_Pwd pwd;
    void SetUp() override { pwd.SetPassword("checksum aside"); }
};

TEST_P(LargeFiles, RoundTripWithTheStoredChecksum)
{
    const int method = GetParam();
    for (const std::size_t size : {kLarge, std::size_t{256 * 1024 - 8}, std::size_t{256 * 1024 + 7}}) {
        const Bytes plain = Pattern(size, static_cast<unsigned>(size + 31 * static_cast<std::size_t>(method)));
        WriteBytes(dir / "big", plain);
        int calls = 0;
        pwd.ProcessMessages = [&] { ++calls; };
        ASSERT_EQ(pwd.EncryptFile(dir / "big", method, true), 0);
        const long long padded = static_cast<long long>(size + 8 - size % 8);
        EXPECT_EQ(calls, padded / kChunk + 1);
        EXPECT_EQ(pwd.BlocksDone, padded / 8);
        const Bytes container = ReadBytes(dir / "big.cry");
        EXPECT_EQ(StoredChecksum(container), UpdateChecksum(0, plain.data(), plain.size())) << size;
        std::filesystem::remove(dir / "big");
        calls = 0;
        ASSERT_EQ(pwd.DecryptFile(dir / "big.cry", true), 0) << size;
        EXPECT_EQ(calls, padded / kChunk + 1);
        EXPECT_EQ(pwd.BlocksDone, padded / 8);
        EXPECT_EQ(ReadBytes(dir / "big"), plain) << size;
    }
}

TEST_P(LargeFiles, DamageIsFound)
{
    const int method = GetParam();
    const Bytes plain = Pattern(kLarge, 3);
    WriteBytes(dir / "big", plain);
    ASSERT_EQ(pwd.EncryptFile(dir / "big", method, true), 0);
    Bytes container = ReadBytes(dir / "big.cry");
    container[static_cast<std::size_t>(HeaderLength(method)) + 400000] ^= 0x20;
    WriteBytes(dir / "big.cry", container);
    std::filesystem::remove(dir / "big");
    EXPECT_EQ(pwd.DecryptFile(dir / "big.cry"), kResultDamaged);
    EXPECT_FALSE(Exists(dir / "big"));
}

TEST_P(LargeFiles, StopEndsAfterTheNextChunksFirstBlock)
{
    const int method = GetParam();
    const Bytes plain = Pattern(kLarge, 4);
    WriteBytes(dir / "big", plain);
    ASSERT_EQ(pwd.EncryptFile(dir / "big", method, true), 0);
    std::filesystem::rename(dir / "big.cry", dir / "kept.cry");
    std::atomic<bool> stop{false};
    pwd.Abort = &stop;
    int calls = 0;
    pwd.ProcessMessages = [&] {
        if (++calls == 3) stop = true;
    };
    EXPECT_EQ(pwd.EncryptFile(dir / "big", method), kResultAborted);
    EXPECT_EQ(pwd.BlocksDone, 3 * 1280 + 1);
    EXPECT_FALSE(Exists(dir / "big.cry"));
    calls = 0;
    stop = false;
    std::filesystem::remove(dir / "big");
    EXPECT_EQ(pwd.DecryptFile(dir / "kept.cry"), kResultAborted);
    EXPECT_EQ(pwd.BlocksDone, 3 * 1280 + 1);
    EXPECT_FALSE(Exists(dir / "kept"));
}

TEST_P(LargeFiles, ReadAndWriteFaultsMidFile)
{
    const int method = GetParam();
    const Bytes plain = Pattern(kLarge, 6);
    WriteBytes(dir / "big", plain);
    ASSERT_EQ(pwd.EncryptFile(dir / "big", method, true), 0);
    std::filesystem::rename(dir / "big.cry", dir / "kept.cry");
    pwd.Faults.failReadAfter = 300000;
    EXPECT_EQ(pwd.EncryptFile(dir / "big", method), kResultReadFailed);
    EXPECT_FALSE(Exists(dir / "big.cry"));
    pwd.Faults.failReadAfter = -1;
    pwd.Faults.failWriteAfter = 300000;
    EXPECT_EQ(pwd.EncryptFile(dir / "big", method), kResultWriteFailed);
    EXPECT_FALSE(Exists(dir / "big.cry"));
    std::filesystem::remove(dir / "big");
    EXPECT_EQ(pwd.DecryptFile(dir / "kept.cry"), kResultWriteFailed);
    EXPECT_FALSE(Exists(dir / "kept"));
    pwd.Faults.failWriteAfter = -1;
    pwd.Faults.failReadAfter = 300000;
    EXPECT_EQ(pwd.DecryptFile(dir / "kept.cry"), kResultReadFailed);
    EXPECT_FALSE(Exists(dir / "kept"));
}

INSTANTIATE_TEST_SUITE_P(Methods, LargeFiles, testing::Values(0, 1, 2, 3, 4),
                         [](const testing::TestParamInfo<int>& info) { return "method" + std::to_string(info.param); });

} // namespace
