// SPDX-License-Identifier: GPL-3.0-or-later
// LoadTable and SaveTable: the database file byte for byte, and every result code.
#include "PwdTestSupport.h"

#include <algorithm>
#include <csignal>
#include <random>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace pwtest;

namespace {

// One line whose text (with its CR LF) is `textLength` bytes long.
std::string LineOfTextLength(std::size_t textLength)
{
    return "/" + std::string(textLength - 2 - 5, 'n') + "=pwd";
}

struct LayoutCase
{
    const char* label;
    std::string master;
    std::vector<std::string> lines;
    std::size_t fileSize;
};

class SaveLayout : public TableTest, public ::testing::WithParamInterface<LayoutCase>
{
};

TEST_P(SaveLayout, WritesTheFileByteForByteAndReadsItBack)
{
    const LayoutCase& c = GetParam();
    for (const std::string& line : c.lines)
        table.Entries.Add(line);
    table.Master.SetPassword(c.master);

    ASSERT_EQ(table.SaveTable(), kResultOk);

    const Bytes written = ReadBytes(db);
    EXPECT_EQ(written.size(), c.fileSize);
    EXPECT_EQ(written[4] | written[5] << 8, static_cast<int>(TableText(c.lines).size()));
    EXPECT_EQ(written, BuildDatabase(c.master, TableText(c.lines)));
    EXPECT_EQ(table.Master.PwdLength, static_cast<std::int32_t>(std::min<std::size_t>(c.master.size(), 16)));

    table.ClearTable();
    ASSERT_EQ(table.LoadTable(true), kResultOk);
    EXPECT_EQ(Lines(table.Entries), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, SaveLayout,
    ::testing::Values(LayoutCase{"EmptyTable", "Kelvane-Master", {}, 22},
                      LayoutCase{"TextOfEightBytes", "Kelvane-Master", {"/a=bcd"}, 14 + 16},
                      LayoutCase{"TextOfSevenBytes", "Kelvane-Master", {"/a=bc"}, 14 + 8},
                      LayoutCase{"PaddedToOneChunk", "Kelvane-Master", {LineOfTextLength(10232)}, 14 + 10240},
                      LayoutCase{"PaddedToOneChunkFromAbove", "Kelvane-Master", {LineOfTextLength(10239)}, 14 + 10240},
                      LayoutCase{"OverOneChunk", "Kelvane-Master", {LineOfTextLength(10240)}, 14 + 10248},
                      LayoutCase{"ShortestMasterPassword", "sixsix", {"/x/y.txt=pw"}, 14 + 16},
                      LayoutCase{"MasterPasswordOfSixteen", "0123456789abcdef", {"/x/y.txt=pw"}, 14 + 16},
                      LayoutCase{"MasterPasswordOverSixteen", "0123456789abcdef-and-more", {"/x/y.txt=pw"}, 14 + 16}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.label); });

TEST_F(TableTest, AMasterPasswordOverSixteenCountsWithItsFirstSixteenBytes)
{
    table.Master.SetPassword("0123456789abcdef-and-more");
    ASSERT_EQ(table.Master.PwdLength, 25);
    ASSERT_EQ(table.SaveTable(), kResultOk);
    EXPECT_EQ(table.Master.PwdLength, 16);

    table.Master.SetPassword("0123456789abcdef-other-tail");
    EXPECT_EQ(table.LoadTable(true), kResultOk);
    EXPECT_EQ(table.Master.PwdLength, 16);
    table.Master.SetPassword("0123456789abcdeX-and-more");
    EXPECT_EQ(table.LoadTable(true), kResultWrongPassword);
}

TEST_F(TableTest, ReadsFixturesWrittenOutsideThisCode)
{
    table.Master.Dir = DataFile("pwdb_three_entries.key");
    table.Master.SetPassword(kMaster);
    ASSERT_EQ(table.LoadTable(true), kResultOk);
    EXPECT_EQ(Lines(table.Entries), (std::vector<std::string>{"/srv/Alpha.doc=first-Pass", "/srv/beta.doc=x=y=z",
                                                              "/srv/GAMMA/x.pdf=Third pass 3"}));
    table.ClearTable();

    table.Master.Dir = DataFile("pwdb_long_master.key");
    table.Master.SetPassword("a-master-password-longer-than-16");
    ASSERT_EQ(table.LoadTable(true), kResultOk);
    EXPECT_EQ(table.Master.PwdLength, 16);
    ASSERT_EQ(table.Entries.Count(), 401u);
    EXPECT_EQ(table.Entries[0], "/archive/f0000.bin=pw-0000-secret");
    EXPECT_EQ(table.Entries[399], "/archive/f0399.bin=pw-0399-secret");
    EXPECT_EQ(table.Entries[400], "/archive/\xC3\x9C.txt=p\xE4ssw\xF6rt");
}

// The fixtures' lines are added in another order: the table sorts them as the file has them.
TEST_F(TableTest, WritesFixturesByteForByte)
{
    struct Fixture
    {
        const char* file;
        const char* master;
    };
    for (const Fixture f : {Fixture{"pwdb_three_entries.key", kMaster}, Fixture{"pwdb_empty.key", kMaster},
                            Fixture{"pwdb_long_master.key", "a-master-password-longer-than-16"}}) {
        SCOPED_TRACE(f.file);
        TKV_PwdTable reader(ui);
        reader.Master.Dir = DataFile(f.file);
        reader.Master.SetPassword(f.master);
        ASSERT_EQ(reader.LoadTable(true), kResultOk);
        std::vector<std::string> lines = Lines(reader.Entries);
        reader.ClearTable();

        std::shuffle(lines.begin(), lines.end(), std::mt19937(7));
        table.ClearTable();
        for (const std::string& line : lines)
            ASSERT_TRUE(table.Entries.Add(line));
        table.Master.SetPassword(f.master);
        ASSERT_EQ(table.SaveTable(), kResultOk);
        EXPECT_EQ(ReadBytes(db), ReadBytes(DataFile(f.file)));
    }
}

TEST_F(TableTest, PaddingBytesAreNotPartOfTheTable)
{
    WriteBytes(db, BuildDatabase(kMaster, TableText({"/a=1", "/b=2"}), 0xA5));
    table.Master.SetPassword(kMaster);
    ASSERT_EQ(table.LoadTable(true), kResultOk);
    EXPECT_EQ(Lines(table.Entries), (std::vector<std::string>{"/a=1", "/b=2"}));
}

struct TextCase
{
    const char* label;
    std::string text;
    std::vector<std::string> lines;
};

class ReadText : public TableTest, public ::testing::WithParamInterface<TextCase>
{
};

TEST_P(ReadText, SplitsLinesAsWritten)
{
    WriteBytes(db, BuildDatabase(kMaster, ToBytes(GetParam().text)));
    table.Master.SetPassword(kMaster);
    ASSERT_EQ(table.LoadTable(true), kResultOk);
    EXPECT_EQ(Lines(table.Entries), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(LineBreaks, ReadText,
                         ::testing::Values(TextCase{"CrLf", "/b=2\r\n/a=1\r\n", {"/a=1", "/b=2"}},
                                           TextCase{"CrAndLfAlone", "/a=1\r/b=2\n/c=3", {"/a=1", "/b=2", "/c=3"}},
                                           TextCase{"LfThenCrIsAnEmptyLine", "/a=1\n\r/b=2", {"", "/a=1", "/b=2"}},
                                           TextCase{"BlankLine", "/a=1\r\n\r\n/b=2\r\n", {"", "/a=1", "/b=2"}},
                                           TextCase{"NulEndsTheText", std::string("/a=1\r\n\0/b=2\r\n", 13), {"/a=1"}},
                                           TextCase{"NulFirst", std::string("\0/a=1", 5), {}},
                                           TextCase{"DuplicateDropped", "/A=x\r\n/A=x\r\n/b=1\r\n", {"/A=x", "/b=1"}},
                                           TextCase{"Empty", "", {}}),
                         [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.label); });

struct BrokenCase
{
    const char* file;
    bool readBody;
    int code;
};

class BrokenFile : public TableTest, public ::testing::WithParamInterface<BrokenCase>
{
};

TEST_P(BrokenFile, GivesItsCodeAndLeavesEntriesAlone)
{
    const BrokenCase& c = GetParam();
    table.Master.Dir = DataFile(c.file);
    table.Master.SetPassword(kMaster);
    table.Entries.Add("/kept=before");
    EXPECT_EQ(table.LoadTable(c.readBody), c.code);
    EXPECT_EQ(Lines(table.Entries), std::vector<std::string>{"/kept=before"});
}

INSTANTIATE_TEST_SUITE_P(Fixtures, BrokenFile,
                         ::testing::Values(BrokenCase{"pwdb_bad_magic.key", false, kResultNotEncrypted},
                                           BrokenCase{"pwdb_short_header.key", false, kResultReadFailed},
                                           BrokenCase{"pwdb_altered_body.key", true, kResultWrongPassword},
                                           BrokenCase{"pwdb_altered_body.key", false, kResultOk},
                                           BrokenCase{"pwdb_cut_body.key", true, kResultWrongPassword},
                                           BrokenCase{"pwdb_long_plain_length.key", true, kResultReadFailed},
                                           BrokenCase{"pwdb_no_such_file.key", true, kResultCannotOpen},
                                           BrokenCase{"pwdb_no_such_file.key", false, kResultCannotOpen}));

// The length field is not under the checksum. Changed, it must neither hide lines nor let a save drop
// them: the body must be exactly the padded length.
struct LengthFieldCase
{
    const char* label;
    std::vector<std::string> lines;
    std::uint32_t (*change)(std::uint32_t);
};

class AlteredLengthField : public TableTest, public ::testing::WithParamInterface<LengthFieldCase>
{
};

TEST_P(AlteredLengthField, RefusesTheDatabaseAndNeverRewritesIt)
{
    const LengthFieldCase& c = GetParam();
    Bytes file = BuildDatabase(kMaster, TableText(c.lines));
    const std::uint32_t stored = file[4] | file[5] << 8 | file[6] << 16 | static_cast<std::uint32_t>(file[7]) << 24;
    const std::uint32_t changed = c.change(stored);
    for (int i = 0; i < 4; ++i)
        file[4 + i] = static_cast<std::uint8_t>(changed >> (8 * i));
    WriteBytes(db, file);
    EnterMaster();

    table.Entries.Add("/kept=before");
    EXPECT_EQ(table.LoadTable(true), kResultReadFailed);
    EXPECT_EQ(Lines(table.Entries), std::vector<std::string>{"/kept=before"});
    EXPECT_EQ(table.FailureDetail(), db + ": the file is damaged");
    table.ClearTable();

    ui.ExpectDatabaseError();
    TKV_Pwd pwd;
    pwd.SetPassword("new-secret");
    EXPECT_FALSE(table.StorePassword("/new.txt", pwd));
    EXPECT_EQ(ReadBytes(db), file);
}

const std::vector<std::string> kThreeLines = {"/srv/Alpha.doc=first-Pass", "/srv/beta.doc=x=y=z",
                                              "/srv/GAMMA/x.pdf=Third pass 3"}; // 79 bytes of text
const std::vector<std::string> kEightBytes = {"/a=bcd"};                        // a whole block of padding

INSTANTIATE_TEST_SUITE_P(
    Changes, AlteredLengthField,
    ::testing::Values(LengthFieldCase{"LoweredByOneInAFullBlock", kEightBytes, [](std::uint32_t n) { return n - 1; }},
                      LengthFieldCase{"LoweredByEight", kThreeLines, [](std::uint32_t n) { return n - 8; }},
                      LengthFieldCase{"LoweredToHideTheLastLine", kThreeLines,
                                      [](std::uint32_t) { return std::uint32_t{48}; }},
                      LengthFieldCase{"RaisedByOne", kThreeLines, [](std::uint32_t n) { return n + 1; }},
                      LengthFieldCase{"RaisedByEight", kThreeLines, [](std::uint32_t n) { return n + 8; }},
                      LengthFieldCase{"Zero", kThreeLines, [](std::uint32_t) { return std::uint32_t{0}; }},
                      LengthFieldCase{"Largest", kThreeLines, [](std::uint32_t) { return std::uint32_t{0xFFFFFFFF}; }}),
    [](const ::testing::TestParamInfo<LengthFieldCase>& info) { return std::string(info.param.label); });

TEST_F(TableTest, AnyAlteredBodyByteFailsTheChecksum)
{
    const Bytes good = BuildDatabase(kMaster, TableText({"/a=1", "/b/c.txt=second", "/d=3"}));
    table.Master.SetPassword(kMaster);
    for (std::size_t at : {std::size_t{14}, std::size_t{21}, std::size_t{22}, good.size() - 9, good.size() - 1}) {
        SCOPED_TRACE(at);
        Bytes bad = good;
        bad[at] ^= 0x40;
        WriteBytes(db, bad);
        table.Entries.Add("/kept=before");
        EXPECT_EQ(table.LoadTable(true), kResultWrongPassword);
        EXPECT_EQ(Lines(table.Entries), std::vector<std::string>{"/kept=before"});
        table.ClearTable();
    }
}

TEST_F(TableTest, ShortFilesAreReadFailures)
{
    table.Master.SetPassword(kMaster);
    const Bytes good = ReadBytes(DataFile("pwdb_three_entries.key"));
    for (long size : {0, 1, 4, 13}) {
        SCOPED_TRACE(size);
        WriteBytes(db, Bytes(good.begin(), good.begin() + size));
        EXPECT_EQ(table.LoadTable(false), kResultReadFailed);
    }
}

// Reads past the header fail here, so a result other than -10 proves the body was not read.
TEST_F(TableTest, CheckingTheMasterPasswordDoesNotReadTheBody)
{
    WriteDatabase({"/a=1"});
    table.Master.Faults.failReadAfter = kPwdDbHeaderLength;

    table.Master.SetPassword("Another-Master");
    EXPECT_EQ(table.LoadTable(false), kResultWrongPassword);
    table.Master.SetPassword(kMaster);
    EXPECT_EQ(table.LoadTable(false), kResultOk);
    EXPECT_TRUE(table.Entries.Empty());
    EXPECT_EQ(table.LoadTable(true), kResultReadFailed);
}

TEST_F(TableTest, AReadFailureInTheBodyIsMinusTen)
{
    table.Master.Dir = DataFile("pwdb_long_master.key");
    table.Master.SetPassword("a-master-password-longer-than-16");
    table.Master.Faults.failReadAfter = kPwdDbHeaderLength + kPwdDbChunk + 5;
    EXPECT_EQ(table.LoadTable(true), kResultReadFailed);
    EXPECT_TRUE(table.Entries.Empty());
}

TEST_F(TableTest, MessagesAreProcessedAfterEveryChunk)
{
    table.Master.Dir = DataFile("pwdb_long_master.key");
    table.Master.SetPassword("a-master-password-longer-than-16");
    int calls = 0;
    table.Master.ProcessMessages = [&] { ++calls; };
    ASSERT_EQ(table.LoadTable(true), kResultOk);
    // 14032 body bytes: one whole chunk and the rest.
    EXPECT_EQ(calls, 2);
}

TEST_F(TableTest, PathsThatCannotServe)
{
    table.Master.SetPassword(kMaster);
    table.Entries.Add("/a=1");

    table.Master.Dir = "";
    EXPECT_EQ(table.LoadTable(true), kResultCannotOpen);
    EXPECT_EQ(table.LoadTable(false), kResultCannotOpen);
    EXPECT_EQ(table.SaveTable(), kResultCannotCreate);

    table.Master.Dir = dir.Path("missing/passwords.key");
    EXPECT_EQ(table.SaveTable(), kResultCannotCreate);

    std::filesystem::create_directory(db);
    table.Master.Dir = db;
    EXPECT_EQ(table.LoadTable(true), kResultCannotOpen);
    EXPECT_EQ(table.SaveTable(), kResultCannotCreate);
    EXPECT_TRUE(std::filesystem::is_directory(db));
}

TEST_F(TableTest, SavingThroughASymbolicLinkKeepsTheLink)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("symbolic links");
#else
    const std::string real = dir.Path("real.key");
    WriteDatabase({"/old=1"});
    std::filesystem::rename(db, real);
    std::filesystem::create_symlink(real, db);

    table.Master.SetPassword(kMaster);
    table.Entries.Add("/new=2");
    ASSERT_EQ(table.SaveTable(), kResultOk);
    EXPECT_TRUE(std::filesystem::is_symlink(db));
    EXPECT_EQ(ReadBytes(real), BuildDatabase(kMaster, TableText({"/new=2"})));
#endif
}

TEST_F(TableTest, ReadingFollowsASymbolicLinkAtThePath)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("symbolic links");
#else
    const std::string real = dir.Path("real.key");
    WriteDatabase({"/a=1", "/b=2"});
    std::filesystem::rename(db, real);
    std::filesystem::create_symlink(real, db);
    EXPECT_EQ(DatabaseLines(), (std::vector<std::string>{"/a=1", "/b=2"}));
#endif
}

TEST_F(TableTest, AFifoAtThePathIsRefusedWithoutWaitingForAWriter)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("FIFOs");
#else
    ASSERT_EQ(::mkfifo(db.c_str(), 0600), 0);
    table.Master.SetPassword(kMaster);
    EXPECT_EQ(table.LoadTable(false), kResultCannotOpen);
    EXPECT_EQ(table.FailureDetail(), db + ": Invalid argument");
#endif
}

TEST_F(TableTest, TheDatabaseIsPrivateToItsOwner)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("permission modes (on Windows the file takes the folder's inherited access rules)");
#else
    table.Master.SetPassword(kMaster);
    ASSERT_EQ(table.SaveTable(), kResultOk);
    struct stat info
    {
    };
    ASSERT_EQ(::stat(db.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
#endif
}

// Failing at the header, in the body and at the final checksum (14 + 16 bytes, then 4 more).
TEST_F(TableTest, AFailedSaveLeavesThePreviousDatabase)
{
    WriteDatabase({"/a=1", "/b=2"});
    const Bytes before = ReadBytes(db);
    table.Master.SetPassword(kMaster);
    for (long long failAfter : {0LL, 10LL, 14LL, 29LL, 30LL}) {
        SCOPED_TRACE(failAfter);
        table.Entries.Add("/a=1");
        table.Entries.Add("/c=3");
        table.Master.Faults.failWriteAfter = failAfter;
        EXPECT_EQ(table.SaveTable(), kResultWriteFailed);
        table.ClearTable();
        EXPECT_EQ(ReadBytes(db), before);
        EXPECT_EQ(dir.Names(), std::vector<std::string>{"passwords.key"});
    }
    table.Master.Faults.failWriteAfter = -1;
    EXPECT_EQ(DatabaseLines(), (std::vector<std::string>{"/a=1", "/b=2"}));
}

// The same with a real write error: a file size limit, in a child process so the limit stays there.
TEST_F(TableTest, AWriteErrorOfTheSystemLeavesThePreviousDatabase)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("RLIMIT_FSIZE and fork");
#else
    WriteDatabase({"/a=1", "/b=2"});
    const Bytes before = ReadBytes(db);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
        table.Master.SetPassword(kMaster);
        table.Entries.Add("/c=" + std::string(200, 'x'));
        const int code = table.SaveTable();
        table.ClearTable();
        ::_exit(code == kResultWriteFailed ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(db), before);
    EXPECT_EQ(DatabaseLines(), (std::vector<std::string>{"/a=1", "/b=2"}));
#endif
}

} // namespace
