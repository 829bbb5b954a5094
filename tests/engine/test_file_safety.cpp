// SPDX-License-Identifier: GPL-3.0-or-later
// What the engine does when the disk changes under a run (a target that appears, a source that is
// appended to or replaced), who may read plain data while it is written, and what it refuses.
#include "Checksum.h"
#include "ResultCodes.h"
#include "TKV_Pwd.h"

#include "FileTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using namespace filetest;

constexpr const char* kPassword = "c0rrect-h0rse";
constexpr std::size_t kChunk = 10240;

void PutLe32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Append(const std::string& path, const Bytes& more)
{
    std::ofstream out(FsPath(path), std::ios::binary | std::ios::app);
    out.write(reinterpret_cast<const char*>(more.data()), static_cast<std::streamsize>(more.size()));
    out.close();
    ASSERT_TRUE(out) << "cannot append to " << path;
}

// Same size, other bytes: only the modification time tells. The file is first dated back an hour so
// that the rewrite's time differs however coarse the clock.
void DateBack(const std::string& path)
{
    std::error_code error;
    const auto now = std::filesystem::last_write_time(FsPath(path), error);
    ASSERT_FALSE(error);
    std::filesystem::last_write_time(FsPath(path), now - std::chrono::hours(1), error);
    ASSERT_FALSE(error);
}

void RewriteFirstByte(const std::string& path)
{
    std::fstream file(FsPath(path), std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(0);
    file.put(0x5A);
    file.close();
    ASSERT_TRUE(file) << "cannot rewrite " << path;
}

// Another file put under `path` the way a second run would: written beside it, renamed over it.
void ReplaceByRename(const std::string& path, const Bytes& content)
{
    WriteBytes(path + ".other", content);
    std::error_code error;
    std::filesystem::rename(FsPath(path + ".other"), FsPath(path), error);
    ASSERT_FALSE(error) << error.message();
}

#if !defined(_WIN32)
unsigned ModeOf(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777u : 0xFFFFu;
}
#endif

class FileSafety : public ::testing::Test
{
protected:
    void SetUp() override { pwd.SetPassword(kPassword); }

    // A container of `plain` made with method `method` at `path` + ".cry"; `path` itself is removed.
    Bytes MakeContainer(const std::string& path, const Bytes& plain, int method = 1)
    {
        WriteBytes(path, plain);
        TKV_Pwd maker;
        maker.SetPassword(kPassword);
        if (maker.EncryptFile(path, method) != kResultOk) throw std::runtime_error("making a container failed");
        std::filesystem::remove(path);
        return ReadBytes(path + ".cry");
    }

    // Runs `change` at the first pause between chunks.
    void AtFirstChunk(std::function<void()> change)
    {
        pwd.ProcessMessages = [this, change, done = false]() mutable {
            if (done) return;
            done = true;
            change();
            ++changes;
        };
    }

    TempDir dir{"safety"};
    TKV_Pwd pwd;
    int changes = 0;
};

// ---------------------------------------------------------------------------------------------
// A file that takes the target name while the output is written.

struct Appearing
{
    const char* label;
    bool decrypting;
    bool namedTemporary;
    bool mayReplace;
};

class TargetAppearing : public FileSafety, public ::testing::WithParamInterface<Appearing>
{
};

TEST_P(TargetAppearing, IsKeptUnlessReplacingWasAgreed)
{
    const Appearing c = GetParam();
    const Bytes plain = Pattern(3 * kChunk + 5, 21);
    const Bytes newcomer = {'n', 'e', 'w', 'c', 'o', 'm', 'e', 'r'};
    const std::string source = c.decrypting ? dir / "a.cry" : dir / "a";
    const std::string target = c.decrypting ? dir / "a" : dir / "a.cry";
    const Bytes sourceBytes = c.decrypting ? MakeContainer(dir / "a", plain) : plain;
    WriteBytes(source, sourceBytes);
    pwd.Faults.namedTemporary = c.namedTemporary;
    AtFirstChunk([&] { WriteBytes(target, newcomer); });

    const int result = c.decrypting ? pwd.DecryptFile(source, c.mayReplace) : pwd.EncryptFile(source, 1, c.mayReplace);
    ASSERT_EQ(changes, 1);
    EXPECT_EQ(ReadBytes(source), sourceBytes);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"a", "a.cry"})) << "no temporary file may stay behind";
    if (c.mayReplace) {
        EXPECT_EQ(result, kResultOk);
        EXPECT_NE(ReadBytes(target), newcomer);
        if (c.decrypting) {
            EXPECT_EQ(ReadBytes(target), plain);
        }
    } else {
        EXPECT_EQ(result, kResultTargetAppeared);
        EXPECT_EQ(ReadBytes(target), newcomer);
        EXPECT_NE(pwd.CheckSourceUnchanged(), kResultOk) << "a failed run never lets its source go";
    }
}

INSTANTIATE_TEST_SUITE_P(BothDirections, TargetAppearing,
                         ::testing::Values(Appearing{"Encrypting", false, false, false},
                                           Appearing{"EncryptingNamedTemp", false, true, false},
                                           Appearing{"Decrypting", true, false, false},
                                           Appearing{"DecryptingNamedTemp", true, true, false},
                                           Appearing{"EncryptingAgreed", false, false, true},
                                           Appearing{"DecryptingAgreedNamedTemp", true, true, true}),
                         [](const ::testing::TestParamInfo<Appearing>& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------------------------------------
// A source that changes while it is read, or is replaced under its name.

struct SourceChange
{
    const char* label;
    bool decrypting;
    // Done to the source at the first chunk; `path` is the source.
    void (*change)(const std::string& path);
    int result;          // of the run
    bool sourceReplaced; // the run succeeds on the file it opened, but the name now means another
};

class SourceChanging : public FileSafety, public ::testing::WithParamInterface<SourceChange>
{
};

TEST_P(SourceChanging, IsReportedAndTheSourceMustStay)
{
    const SourceChange c = GetParam();
#if defined(_WIN32)
    if (c.sourceReplaced) GTEST_SKIP() << "a file held open cannot be replaced by a rename here";
#endif
    const Bytes plain = Pattern(3 * kChunk + 5, 22);
    const std::string source = c.decrypting ? dir / "b.cry" : dir / "b";
    const std::string target = c.decrypting ? dir / "b" : dir / "b.cry";
    WriteBytes(source, c.decrypting ? MakeContainer(dir / "b", plain) : plain);
    DateBack(source);
    AtFirstChunk([&] { c.change(source); });

    const int result = c.decrypting ? pwd.DecryptFile(source) : pwd.EncryptFile(source, 1);
    ASSERT_EQ(changes, 1);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(pwd.CheckSourceUnchanged(), c.decrypting ? kResultCryptedChanged : kResultPlainChanged);
    EXPECT_EQ(Exists(target), c.result == kResultOk);
    if (c.sourceReplaced && c.decrypting) {
        EXPECT_EQ(ReadBytes(target), plain) << "the output is the file that was opened";
    }
    EXPECT_TRUE(Exists(source));
}

const Bytes kMore = {'m', 'o', 'r', 'e'};

INSTANTIATE_TEST_SUITE_P(
    BothDirections, SourceChanging,
    ::testing::Values(SourceChange{"EncryptingAppended", false, [](const std::string& p) { Append(p, kMore); },
                                   kResultPlainChanged, false},
                      SourceChange{"EncryptingRewrittenInPlace", false,
                                   [](const std::string& p) { RewriteFirstByte(p); }, kResultPlainChanged, false},
                      SourceChange{"EncryptingReplaced", false, [](const std::string& p) { ReplaceByRename(p, kMore); },
                                   kResultOk, true},
                      SourceChange{"DecryptingAppended", true, [](const std::string& p) { Append(p, kMore); },
                                   kResultCryptedChanged, false},
                      SourceChange{"DecryptingReplaced", true, [](const std::string& p) { ReplaceByRename(p, kMore); },
                                   kResultOk, true}),
    [](const ::testing::TestParamInfo<SourceChange>& info) { return std::string(info.param.label); });

TEST_F(FileSafety, SourceCheckPassesOnlyWhileTheNameStillMeansTheFileRead)
{
    const Bytes plain = Pattern(2 * kChunk, 23);
    WriteBytes(dir / "c", plain);
    DateBack(dir / "c");
    ASSERT_EQ(pwd.EncryptFile(dir / "c", 1), kResultOk);
    EXPECT_EQ(pwd.CheckSourceUnchanged(), kResultOk);
    EXPECT_EQ(pwd.CheckSourceUnchanged(), kResultOk) << "checking changes nothing";

    // Changes after the run, before the caller removes the source.
    Append(dir / "c", kMore);
    EXPECT_EQ(pwd.CheckSourceUnchanged(), kResultPlainChanged);
    WriteBytes(dir / "c", plain);
    EXPECT_EQ(pwd.CheckSourceUnchanged(), kResultPlainChanged) << "same bytes, but written again";

    std::filesystem::remove(dir / "c");
    ASSERT_EQ(pwd.DecryptFile(dir / "c.cry"), kResultOk);
    EXPECT_EQ(pwd.CheckSourceUnchanged(), kResultOk);
    std::filesystem::remove(dir / "c.cry");
    EXPECT_EQ(pwd.CheckSourceUnchanged(), kResultCryptedChanged) << "gone is changed";
}

// ---------------------------------------------------------------------------------------------
// Plain data is never readable by others while it is written.

struct PlainMode
{
    bool namedTemporary;
    unsigned containerMode;
};

class PlainOutputMode : public FileSafety, public ::testing::WithParamInterface<PlainMode>
{
};

#if !defined(_WIN32)
// The modes of every file in the directory or open by this process under it, the container excepted.
std::vector<unsigned> OutputModes(const TempDir& dir, const std::string& container)
{
    std::vector<unsigned> modes;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (error || target.rfind(dir.path() + "/", 0) != 0 || target == container) continue;
        struct stat st;
        if (::stat(entry.path().c_str(), &st) == 0) modes.push_back(st.st_mode & 0777u);
    }
    for (const std::string& name : dir.List())
        if (dir / name != container) modes.push_back(ModeOf(dir / name));
    return modes;
}

#endif

TEST_P(PlainOutputMode, OwnerOnlyWhileWrittenThenTheContainers)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("permission modes and /proc (Windows: WindowsFiles.PlainOutputIsSharedWithNobodyWhileWritten)");
#else
    const PlainMode c = GetParam();
    const mode_t previous = ::umask(022); // the usual mask, under which new files are readable by all
    const Bytes plain = Pattern(3 * kChunk, 24);
    const std::string container = dir / "d.cry";
    WriteBytes(container, MakeContainer(dir / "d", plain));
    ASSERT_EQ(::chmod(container.c_str(), c.containerMode), 0);
    pwd.Faults.namedTemporary = c.namedTemporary;
    std::vector<std::vector<unsigned>> seen;
    pwd.ProcessMessages = [&] { seen.push_back(OutputModes(dir, container)); };

    const int result = pwd.DecryptFile(container);
    ::umask(previous);
    ASSERT_EQ(result, kResultOk);
    ASSERT_EQ(seen.size(), 4u);
    for (const auto& modes : seen) {
        ASSERT_FALSE(modes.empty()) << "the output being written was not found";
        for (const unsigned mode : modes)
            EXPECT_EQ(mode, 0600u) << std::oct << mode;
    }
    EXPECT_EQ(ModeOf(dir / "d"), c.containerMode);
    EXPECT_EQ(ReadBytes(dir / "d"), plain);
#endif
}

INSTANTIATE_TEST_SUITE_P(UnnamedAndNamedTemporary, PlainOutputMode,
                         ::testing::Values(PlainMode{false, 0640}, PlainMode{true, 0640}, PlainMode{false, 0444},
                                           PlainMode{true, 0604}));

// ---------------------------------------------------------------------------------------------
// Refusals before any work.

TEST_F(FileSafety, EmptyPasswordIsRefused)
{
    const Bytes plain = Pattern(100, 25);
    WriteBytes(dir / "e", plain);
    TKV_Pwd none;
    TKV_Pwd empty;
    empty.SetPassword("");
    TKV_Pwd cleared;
    cleared.SetPassword(kPassword);
    cleared.ClearPassword();
    for (TKV_Pwd* p : {&none, &empty, &cleared}) {
        EXPECT_EQ(p->EncryptFile(dir / "e", 1), kResultNoPassword);
        EXPECT_EQ(dir.List(), std::vector<std::string>{"e"});
        EXPECT_EQ(ReadBytes(dir / "e"), plain);
    }
}

TEST_F(FileSafety, NameTooLongForTheContainerIsRefusedBeforeTheWork)
{
    const long limit = testplatform::NameMax(dir.path());
    ASSERT_GT(limit, 8);
    const Bytes plain = Pattern(2 * kChunk, 26);
    const struct
    {
        long length;
        int result;
    } cases[] = {{limit, kResultNameTooLong}, {limit - 3, kResultNameTooLong}, {limit - 4, kResultOk}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string name(static_cast<std::size_t>(c.length), 'n');
        WriteBytes(dir / name, plain);
        int chunks = 0;
        pwd.ProcessMessages = [&] { ++chunks; };
        EXPECT_EQ(pwd.EncryptFile(dir / name, 1), c.result);
        if (c.result == kResultOk) {
            EXPECT_EQ(dir.List(), (std::vector<std::string>{name, name + ".cry"}));
        } else {
            EXPECT_EQ(chunks, 0) << "nothing may be encrypted before the refusal";
            EXPECT_EQ(dir.List(), std::vector<std::string>{name});
        }
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directory(dir.path());
    }
}

// ---------------------------------------------------------------------------------------------
// The stored plain size must lie in the last block of the data.

struct SizeField
{
    const char* label;
    std::size_t plainLength; // of the all-zero file encrypted
    bool headerOnly;         // the data cut off, checksum set to 0
    std::int64_t storedSize;
    bool readable; // false: kResultReadFailed before any byte is deciphered
};

class PlainSizeField : public FileSafety, public ::testing::WithParamInterface<SizeField>
{
};

TEST_P(PlainSizeField, OutsideTheLastBlockIsDamage)
{
    const SizeField c = GetParam();
    for (const int method : {0, 1}) {
        SCOPED_TRACE(method);
        const std::size_t header = method == 0 ? 14 : 35;
        Bytes container = MakeContainer(dir / "z", Bytes(c.plainLength, 0), method);
        if (c.headerOnly) {
            container.resize(header);
            PutLe32(container, 8, 0);
        }
        PutLe32(container, 4, static_cast<std::uint32_t>(c.storedSize));
        WriteBytes(dir / "z.cry", container);

        const int result = pwd.DecryptFile(dir / "z.cry");
        if (!c.readable) {
            EXPECT_EQ(result, kResultReadFailed);
            EXPECT_EQ(pwd.BlocksDone, 0);
            EXPECT_EQ(dir.List(), std::vector<std::string>{"z.cry"});
        } else {
            // Zero bytes all sum alike: the checksum decides whether a size inside the last block
            // still matches the data.
            const Bytes zeros(static_cast<std::size_t>(c.storedSize), 0);
            const std::uint32_t stored = static_cast<std::uint32_t>(container[8]) | container[9] << 8 |
                                         container[10] << 16 | static_cast<std::uint32_t>(container[11]) << 24;
            const bool matches = UpdateChecksum(0, zeros.data(), zeros.size()) == stored;
            EXPECT_EQ(result, matches ? kResultOk : kResultDamaged);
            if (matches && result == kResultOk) {
                EXPECT_EQ(ReadBytes(dir / "z"), zeros);
            }
        }
        std::filesystem::remove(dir / "z");
        std::filesystem::remove(dir / "z.cry");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlainSizeField,
    ::testing::Values(SizeField{"HundredAsStored", 100, false, 100, true},
                      SizeField{"HundredZero", 100, false, 0, false}, SizeField{"HundredOne", 100, false, 1, false},
                      SizeField{"Hundred95", 100, false, 95, false}, SizeField{"Hundred96", 100, false, 96, true},
                      SizeField{"Hundred103", 100, false, 103, true}, SizeField{"Hundred104", 100, false, 104, false},
                      SizeField{"HundredMinus1", 100, false, -1, false},
                      SizeField{"HundredHuge", 100, false, 0x7FFFFFF0, false},
                      SizeField{"EmptyAsStored", 0, false, 0, true}, SizeField{"EmptySeven", 0, false, 7, true},
                      SizeField{"EmptyEight", 0, false, 8, false}, SizeField{"HeaderOnly", 0, true, 0, true},
                      SizeField{"HeaderOnlyOne", 0, true, 1, false}, SizeField{"HeaderOnlyEight", 0, true, 8, false}),
    [](const ::testing::TestParamInfo<SizeField>& info) { return std::string(info.param.label); });

TEST_F(FileSafety, HeaderOnlyContainerWithAChecksumIsDamaged)
{
    Bytes container = MakeContainer(dir / "h", {}, 1);
    container.resize(35);
    PutLe32(container, 8, 0x1234);
    WriteBytes(dir / "h.cry", container);
    EXPECT_EQ(pwd.DecryptFile(dir / "h.cry"), kResultDamaged);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"h.cry"});
}

// ---------------------------------------------------------------------------------------------
// The words for the new results.

TEST(EngineMessages, NewResultsHaveTextsOfTheirOwn)
{
    const int codes[] = {
        kResultTargetAppeared, kResultPlainChanged, kResultCryptedChanged,
        kResultNoPassword,     kResultDamaged,      kResultNameTooLong,
    };
    std::vector<std::string> texts;
    for (const int code : codes) {
        const std::string text = EngineErrorMessage(code, "/x/NAME", true);
        EXPECT_NE(text.find("/x/NAME"), std::string::npos) << code << ": " << text;
        EXPECT_FALSE(EngineErrorOffersAll(code)) << code;
        for (const std::string& other : texts)
            EXPECT_NE(text, other);
        for (const int old : {kResultWrongPassword, kResultReadFailed, kResultWriteFailed})
            EXPECT_NE(text, EngineErrorMessage(old, "/x/NAME", true));
        texts.push_back(text);
    }
    // Damaged data must not read as a forgotten password.
    const std::string damaged = EngineErrorMessage(kResultDamaged, "f", true);
    EXPECT_EQ(damaged.find("Invalid password"), std::string::npos);
    EXPECT_NE(damaged.find("damaged"), std::string::npos);
    EXPECT_TRUE(EngineErrorOffersAll(kResultWrongPassword));
}

} // namespace
