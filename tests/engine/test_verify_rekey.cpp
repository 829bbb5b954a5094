// SPDX-License-Identifier: GPL-3.0-or-later
// VerifyFile and RekeyFile of TKV_Pwd: what each result means, rekeyed containers against a
// decryption followed by an encryption, and that the old container survives every failure with
// no temporary file and no plain byte written anywhere.
#include "FileSystem.h"
#include "ResultCodes.h"
#include "TKV_Pwd.h"

#include "FileTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <unordered_set>
#include <vector>

namespace {

using namespace filetest;

constexpr const char* kOld = "old secret 1";
constexpr const char* kNew = "brand-new pw 2";
constexpr std::size_t kChunk = 10240;
// Beyond the size from which a second thread sums the data.
constexpr std::size_t kLarge = 300 * 1024 + 13;

int HeaderLength(int method)
{
    return method == 0 || method == 2 ? 14 : 35;
}

SecretBytes Scrambled(const char* text)
{
    TKV_Pwd holder;
    holder.SetPassword(text);
    return holder.Password;
}

class VerifyRekey : public ::testing::Test
{
protected:
    // `plain` encrypted under `password` with `method`, as "name.cry" in the scratch directory.
    Bytes MakeContainer(const std::string& name, const Bytes& plain, int method, const char* password = kOld)
    {
        std::filesystem::remove(dir / (name + ".cry"));
        WriteBytes(dir / name, plain);
        TKV_Pwd writer;
        writer.SetPassword(password);
        if (writer.EncryptFile(dir / name, method) != kResultOk) throw std::runtime_error("encryption failed");
        std::filesystem::remove(dir / name);
        return ReadBytes(dir / (name + ".cry"));
    }

    TempDir dir{"rekey"};
    TKV_Pwd pwd;
};

// ---------------------------------------------------------------------------------------------
// Verify: the key check tells a wrong password, the checksum and the length tell damage.

struct VerifyCase
{
    const char* label;
    const char* password;
    std::function<void(Bytes&, int header)> change; // null: the container as written
    int expected;
};

class VerifyResults : public VerifyRekey, public ::testing::WithParamInterface<VerifyCase>
{
};

TEST_P(VerifyResults, EveryMethodAndNothingWritten)
{
    const VerifyCase& c = GetParam();
    for (const std::size_t size : {std::size_t{3 * kChunk + 5}, kLarge}) {
        for (int method = 0; method <= 4; ++method) {
            SCOPED_TRACE("method " + std::to_string(method) + " size " + std::to_string(size));
            Bytes container = MakeContainer("v", Pattern(size, static_cast<unsigned>(method + size)), method);
            if (c.change) c.change(container, HeaderLength(method));
            WriteBytes(dir / "v.cry", container);
            const auto before = std::filesystem::last_write_time(dir / "v.cry");

            pwd.SetPassword(c.password);
            EXPECT_EQ(pwd.VerifyFile(dir / "v.cry"), c.expected);
            EXPECT_EQ(dir.List(), std::vector<std::string>{"v.cry"});
            EXPECT_EQ(ReadBytes(dir / "v.cry"), container);
            EXPECT_EQ(std::filesystem::last_write_time(dir / "v.cry"), before);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VerifyResults,
    ::testing::Values(
        VerifyCase{"Intact", kOld, nullptr, kResultOk},
        VerifyCase{"WrongPassword", "not the one", nullptr, kResultWrongPassword},
        // One bit in the middle of the data: the key check passes, the checksum does not.
        VerifyCase{"DamagedByte", kOld, [](Bytes& b, int) { b[b.size() / 2] ^= 0x10; }, kResultDamaged},
        VerifyCase{"DamagedLastBlock", kOld, [](Bytes& b, int) { b[b.size() - 9] ^= 0x01; }, kResultDamaged},
        VerifyCase{"StoredChecksumChanged", kOld, [](Bytes& b, int) { b[9] ^= 0x01; }, kResultDamaged},
        VerifyCase{"TruncatedByABlock", kOld, [](Bytes& b, int) { b.resize(b.size() - 8); }, kResultTruncated},
        VerifyCase{"TruncatedMidBlock", kOld, [](Bytes& b, int) { b.resize(b.size() - 5); }, kResultTruncated},
        VerifyCase{"HeaderOnly", kOld, [](Bytes& b, int header) { b.resize(static_cast<std::size_t>(header)); },
                   kResultTruncated},
        VerifyCase{"HeaderCut", kOld, [](Bytes& b, int header) { b.resize(static_cast<std::size_t>(header) - 1); },
                   kResultTruncated},
        // Bytes appended make a length no writer gives: damage, not a cut.
        VerifyCase{"BytesAppended", kOld, [](Bytes& b, int) { b.insert(b.end(), 3, 0); }, kResultDamaged}),
    [](const ::testing::TestParamInfo<VerifyCase>& info) { return std::string(info.param.label); });

TEST_F(VerifyRekey, TruncatedAndDamagedHaveWordsOfTheirOwn)
{
    const std::string truncated = EngineErrorMessage(kResultTruncated, "/x/f.cry", false);
    EXPECT_NE(truncated.find("/x/f.cry"), std::string::npos);
    for (const int other : {kResultDamaged, kResultWrongPassword, kResultReadFailed})
        EXPECT_NE(truncated, EngineErrorMessage(other, "/x/f.cry", false));
    EXPECT_NE(EngineErrorMessage(kResultHasOtherNames, "/x/f.cry", false).find("/x/f.cry"), std::string::npos);
}

TEST_F(VerifyRekey, VerifyStopsOnTheStopFlag)
{
    MakeContainer("s", Pattern(4 * kChunk, 3), 1);
    const std::atomic<bool> stop{true};
    pwd.SetPassword(kOld);
    pwd.Abort = &stop;
    EXPECT_EQ(pwd.VerifyFile(dir / "s.cry"), kResultAborted);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"s.cry"});
}

// ---------------------------------------------------------------------------------------------
// Rekey: the result is byte for byte what a decryption followed by an encryption gives.

TEST_F(VerifyRekey, EveryMethodToEveryMethodEqualsDecryptThenEncrypt)
{
    for (const std::size_t size : {std::size_t{0}, std::size_t{3 * kChunk + 5}, kLarge}) {
        for (int from = 0; from <= 4; ++from) {
            for (int to = 0; to <= 4; ++to) {
                SCOPED_TRACE("from " + std::to_string(from) + " to " + std::to_string(to) + " size " +
                             std::to_string(size));
                const Bytes plain = Pattern(size, static_cast<unsigned>(size + 5 * from + to));
                const Bytes old = MakeContainer("r", plain, from);
#if !defined(_WIN32) // permission bits; Windows keeps only the read-only attribute
                ::chmod((dir / "r.cry").c_str(), 0640);
#endif

                // The reference: the plain file written out and encrypted again, in its own directory.
                TempDir other("rekey-ref");
                WriteBytes(other / "r.cry", old);
                TKV_Pwd reference;
                reference.SetPassword(kOld);
                ASSERT_EQ(reference.DecryptFile(other / "r.cry"), kResultOk);
                reference.SetPassword(kNew);
                ASSERT_EQ(reference.EncryptFile(other / "r", to, true), kResultOk);

                pwd.SetPassword(kOld);
                ASSERT_EQ(pwd.RekeyFile(dir / "r.cry", Scrambled(kNew), to), kResultOk);
                EXPECT_EQ(ReadBytes(dir / "r.cry"), ReadBytes(other / "r.cry"));
                EXPECT_EQ(dir.List(), std::vector<std::string>{"r.cry"});
#if !defined(_WIN32)
                struct stat st;
                ASSERT_EQ(::stat((dir / "r.cry").c_str(), &st), 0);
                EXPECT_EQ(st.st_mode & 07777, 0640u);
#endif

                // The new password opens it; the old one no longer does.
                TKV_Pwd check;
                check.SetPassword(kNew);
                EXPECT_EQ(check.VerifyFile(dir / "r.cry"), kResultOk);
                check.SetPassword(kOld);
                EXPECT_EQ(check.VerifyFile(dir / "r.cry"), kResultWrongPassword);
                std::filesystem::remove(dir / "r.cry");
            }
        }
    }
}

TEST_F(VerifyRekey, AHeaderOnlyContainerGetsItsPaddingBlock)
{
    const Bytes full = MakeContainer("h", {}, 1);
    WriteBytes(dir / "h.cry", Bytes(full.begin(), full.begin() + 35)); // the empty file's old form: no block
    pwd.SetPassword(kOld);
    ASSERT_EQ(pwd.RekeyFile(dir / "h.cry", Scrambled(kNew), 1), kResultOk);
    EXPECT_EQ(ReadBytes(dir / "h.cry"), MakeContainer("e", {}, 1, kNew));
}

// ---------------------------------------------------------------------------------------------
// Rekey failures: the old container byte for byte, no temporary file, nothing else.

struct RekeyFailure
{
    const char* label;
    std::function<void(TempDir&, Bytes&, TKV_Pwd&, std::atomic<bool>&)> arrange;
    int expected;
    int newMethod = 4;
};

class RekeyFailures : public VerifyRekey, public ::testing::WithParamInterface<RekeyFailure>
{
};

TEST_P(RekeyFailures, LeaveTheOldContainerAndNoTemporaryFile)
{
    const RekeyFailure& c = GetParam();
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "named temporary file" : "unnamed temporary file");
        Bytes container = MakeContainer("f", Pattern(kLarge, 9), 1);
        std::atomic<bool> stop{false};
        TKV_Pwd engine;
        engine.SetPassword(kOld);
        engine.Abort = &stop;
        engine.Faults.namedTemporary = named;
        c.arrange(dir, container, engine, stop);
        WriteBytes(dir / "f.cry", container);
        const auto listed = dir.List();

        EXPECT_EQ(engine.RekeyFile(dir / "f.cry", Scrambled(kNew), c.newMethod), c.expected);
        EXPECT_EQ(ReadBytes(dir / "f.cry"), container);
        EXPECT_EQ(dir.List(), listed);
        for (const auto& name : dir.List())
            std::filesystem::remove(dir / name);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RekeyFailures,
    ::testing::Values(
        RekeyFailure{"WrongOldPassword",
                     [](TempDir&, Bytes&, TKV_Pwd& p, std::atomic<bool>&) { p.SetPassword("not the one"); },
                     kResultWrongPassword},
        // Damage near the end is found only once everything before it has been written anew.
        RekeyFailure{"DamagedNearTheEnd",
                     [](TempDir&, Bytes& b, TKV_Pwd&, std::atomic<bool>&) { b[b.size() - 20] ^= 0x04; },
                     kResultDamaged},
        RekeyFailure{"Truncated", [](TempDir&, Bytes& b, TKV_Pwd&, std::atomic<bool>&) { b.resize(b.size() - 3); },
                     kResultTruncated},
        RekeyFailure{"StoppedInTheMiddle",
                     [](TempDir&, Bytes&, TKV_Pwd& p, std::atomic<bool>& stop) {
                         p.ProcessMessages = [&p, &stop] {
                             if (p.BlocksDone > p.BlocksTotal / 2) stop = true;
                         };
                     },
                     kResultAborted},
        RekeyFailure{"DiskFullInTheMiddle",
                     [](TempDir&, Bytes&, TKV_Pwd& p, std::atomic<bool>&) { p.Faults.failWriteAfter = 100 * 1024; },
                     kResultWriteFailed},
        RekeyFailure{"DiskFullAtTheChecksum",
                     [](TempDir&, Bytes&, TKV_Pwd& p, std::atomic<bool>&) {
                         p.Faults.failWriteAfter = 35 + (kLarge / 8 + 1) * 8;
                     },
                     kResultWriteFailed},
        RekeyFailure{"ReadFault",
                     [](TempDir&, Bytes&, TKV_Pwd& p, std::atomic<bool>&) { p.Faults.failReadAfter = 5000; },
                     kResultReadFailed},
        RekeyFailure{"UnknownMethod", [](TempDir&, Bytes&, TKV_Pwd&, std::atomic<bool>&) {}, kResultUnknownMethod, 5}),
    [](const ::testing::TestParamInfo<RekeyFailure>& info) { return std::string(info.param.label); });

TEST_F(VerifyRekey, AContainerWithOtherNamesIsRefused)
{
    const Bytes container = MakeContainer("l", Pattern(5000, 2), 1);
#if defined(_WIN32)
    ASSERT_TRUE(::CreateHardLinkW(WidePath(dir / "backup.cry").c_str(), WidePath(dir / "l.cry").c_str(), nullptr));
#else
    ASSERT_EQ(::link((dir / "l.cry").c_str(), (dir / "backup.cry").c_str()), 0);
#endif
    pwd.SetPassword(kOld);
    EXPECT_EQ(pwd.RekeyFile(dir / "l.cry", Scrambled(kNew), 1), kResultHasOtherNames);
    EXPECT_EQ(ReadBytes(dir / "l.cry"), container);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"backup.cry", "l.cry"}));
    // With the other name gone it goes through.
    std::filesystem::remove(dir / "backup.cry");
    EXPECT_EQ(pwd.RekeyFile(dir / "l.cry", Scrambled(kNew), 1), kResultOk);
}

TEST_F(VerifyRekey, AFileSizeLimitIsAFullDisk)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("fork and resource limits");
#else
    const Bytes container = MakeContainer("q", Pattern(kLarge, 4), 3);
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // past the limit a write fails with EFBIG instead of killing
        const rlimit limit{64 * 1024, 64 * 1024};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(100);
        TKV_Pwd child;
        child.SetPassword(kOld);
        ::_exit(-child.RekeyFile(dir / "q.cry", Scrambled(kNew), 4));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(-WEXITSTATUS(status), kResultWriteFailed);
    EXPECT_EQ(ReadBytes(dir / "q.cry"), container);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"q.cry"});
#endif
}

TEST_F(VerifyRekey, OwnerAndGroupAreKept)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("owners and groups");
#else
    if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
    MakeContainer("o", Pattern(3000, 6), 1);
    ASSERT_EQ(::chown((dir / "o.cry").c_str(), 4321, 4322), 0);
    pwd.SetPassword(kOld);
    ASSERT_EQ(pwd.RekeyFile(dir / "o.cry", Scrambled(kNew), 4), kResultOk);
    struct stat st;
    ASSERT_EQ(::stat((dir / "o.cry").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4322u);
#endif
}

// ---------------------------------------------------------------------------------------------
// No plain byte reaches any file: every buffer the engine writes is searched for the plain data.

std::unordered_set<std::uint64_t> g_plainWords;
long long g_plainHits = 0;
long long g_tapped = 0;

void SearchForPlainWords(const void* data, std::size_t count)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    g_tapped += static_cast<long long>(count);
    // Any run of 15 plain bytes holds one of the words at an offset of its own, whatever its alignment.
    for (std::size_t i = 0; i + 8 <= count; ++i) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        if (g_plainWords.count(word) != 0) ++g_plainHits;
    }
}

class WriteTap
{
public:
    explicit WriteTap(const Bytes& plain)
    {
        g_plainWords.clear();
        for (std::size_t i = 0; i + 8 <= plain.size(); i += 8) {
            std::uint64_t word;
            std::memcpy(&word, plain.data() + i, 8);
            g_plainWords.insert(word);
        }
        g_plainHits = 0;
        g_tapped = 0;
        ReplacementFile::WriteTap = SearchForPlainWords;
    }
    ~WriteTap() { ReplacementFile::WriteTap = nullptr; }
    WriteTap(const WriteTap&) = delete;
    WriteTap& operator=(const WriteTap&) = delete;
};

TEST_F(VerifyRekey, NoPlainByteIsWrittenToAnyFile)
{
    const Bytes plain = Pattern(kLarge, 12);
    for (int method = 0; method <= 4; ++method) {
        SCOPED_TRACE(method);
        MakeContainer("w", plain, method);
        WriteTap tap(plain);
        pwd.SetPassword(kOld);
        ASSERT_EQ(pwd.RekeyFile(dir / "w.cry", Scrambled(kNew), (method + 1) % 5), kResultOk);
        EXPECT_GE(g_tapped, static_cast<long long>(plain.size()));
        EXPECT_EQ(g_plainHits, 0);
        // The tap does see plain bytes where they are written: the container decrypted.
        pwd.SetPassword(kNew);
        ASSERT_EQ(pwd.DecryptFile(dir / "w.cry"), kResultOk);
        EXPECT_GT(g_plainHits, static_cast<long long>(plain.size() / 8) - 1);
        std::filesystem::remove(dir / "w");
        std::filesystem::remove(dir / "w.cry");
    }
}

} // namespace
