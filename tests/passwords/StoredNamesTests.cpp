// SPDX-License-Identifier: GPL-3.0-or-later
// The stored names: listing them with their containers' states, removing them by name, pruning those
// whose container is gone; each under the master password, never touching the database on failure.
#include "PwdDbLock.h"
#include "PwdTestSupport.h"

#if defined(_WIN32)
#include "SourceFile.h"
#else
#include <sys/stat.h>
#endif

#include <algorithm>

using namespace pwtest;

namespace {

// Which file a save left: a save renames a new file into place.
#if defined(_WIN32)
// The file index stands for the inode, which the C runtime's stat leaves at 0.
unsigned long long InodeOf(const std::string& path)
{
    return IdentityOfRegularFile(path).inode;
}
#else
ino_t InodeOf(const std::string& path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}
#endif

class StoredNames : public TableTest
{
protected:
    // A name in the scratch folder, spelt as the table stores names (Windows: with backslashes); with
    // `container`, its container is made under `spelling`.
    std::string File(const std::string& name, bool container = false, const std::string& spelling = ".cry")
    {
        const std::string path = Stored(name);
        if (container) WriteBytes(path + spelling, ToBytes("container"));
        return path;
    }
    std::string Stored(const std::string& name) const
    {
        std::string path = dir.Path(name);
#if defined(_WIN32)
        std::replace(path.begin(), path.end(), '/', '\\');
#endif
        return path;
    }
};

#if defined(_WIN32)
// Windows names are UTF-16, so a name outside ASCII always reaches the table as valid UTF-8.
const std::string kNonAscii = "caf\xC3\xA9";
#else
// "caf\xE9" is Latin-1, not UTF-8: a name such as a file manager may have made long ago.
const std::string kNonAscii = "caf\xE9";
#endif

TEST_F(StoredNames, ListsEachNameOnceWithItsContainersStateAndNoPassword)
{
    const std::string a = File("a", true);
    const std::string b = File("b");
    const std::string upper = File("c", true, ".CRY");
    const std::string nonAscii = File(kNonAscii, true);
    const std::string plainOnly = File("d");
    WriteBytes(plainOnly, ToBytes("the plain file, not its container"));
    std::vector<std::string> lines = {
        a + "=pass-a",         b + "=pass-b",   upper + "=pass-c",     nonAscii + "=pass-latin",
        plainOnly + "=pass-d", b + "=second-b", "no equals sign here", ""};
    std::vector<std::pair<std::string, ContainerState>> expected = {
        {a, ContainerState::Present},        {b, ContainerState::Missing},         {upper, ContainerState::Present},
        {nonAscii, ContainerState::Present}, {plainOnly, ContainerState::Missing},
    };
#if !defined(_WIN32) // a symbolic link needs a privilege on Windows, and wine makes none
    // A folder link that leads nowhere lets no one tell whether the container is there.
    std::filesystem::create_symlink("loop", dir.Path("loop"));
    const std::string unknown = dir.Path("loop/e");
    lines.insert(lines.begin() + 5, unknown + "=pass-e");
    expected.push_back({unknown, ContainerState::Unknown});
#endif
    WriteDatabase(lines);
    EnterMaster();

    std::vector<StoredName> names;
    ASSERT_EQ(table.ListStoredNames(names), kResultOk);
    std::vector<std::pair<std::string, ContainerState>> got;
    for (const StoredName& n : names)
        got.emplace_back(n.Name, n.Container);
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(table.Entries.Empty());
}

TEST_F(StoredNames, AnEmptyDatabaseListsNothing)
{
    WriteDatabase({});
    EnterMaster();
    std::vector<StoredName> names{{"stale", ContainerState::Present}};
    EXPECT_EQ(table.ListStoredNames(names), kResultOk);
    EXPECT_TRUE(names.empty());
}

struct RemoveCase
{
    const char* label;
    std::vector<std::string> lines; // "@" stands for the scratch folder and its separator
    std::vector<std::string> remove;
    std::vector<std::string> remaining;
    std::vector<std::string> removed;
    std::vector<std::string> notFound;
};

class Remove : public StoredNames, public ::testing::WithParamInterface<RemoveCase>
{
protected:
    std::string Here(const std::string& text) const
    {
        std::string out = text;
        if (const auto at = out.find('@'); at != std::string::npos) out.replace(at, 1, Stored(""));
        return out;
    }
    std::vector<std::string> Here(const std::vector<std::string>& texts) const
    {
        std::vector<std::string> out;
        for (const std::string& t : texts)
            out.push_back(Here(t));
        return out;
    }
};

TEST_P(Remove, TakesTheNamedLinesOnlyAndSaysWhichNamesHadNone)
{
    const RemoveCase& c = GetParam();
    WriteDatabase(Here(c.lines));
    const auto before = InodeOf(db);
    EnterMaster();

    NameRemoval removal;
    ASSERT_EQ(table.RemoveStoredNames(Here(c.remove), removal), kResultOk);
    EXPECT_EQ(removal.Removed, Here(c.removed));
    EXPECT_EQ(removal.NotFound, Here(c.notFound));
    EXPECT_TRUE(removal.Unchecked.empty());
    EXPECT_EQ(DatabaseLines(), Here(c.remaining));
    // Nothing to remove: the database is not written at all.
    EXPECT_EQ(InodeOf(db) == before, c.removed.empty());
    EXPECT_TRUE(table.Entries.Empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Remove,
    ::testing::Values(
        RemoveCase{"One", {"@a=1", "@b=2", "@c=3"}, {"@b"}, {"@a=1", "@c=3"}, {"@b"}, {}},
        RemoveCase{"Several", {"@a=1", "@b=2", "@c=3"}, {"@c", "@a"}, {"@b=2"}, {"@c", "@a"}, {}},
        RemoveCase{"EveryLineOfTheName", {"@a=1", "@a=2", "@b=3"}, {"@a"}, {"@b=3"}, {"@a"}, {}},
        RemoveCase{"UnknownNamesAreToldTheOthersGo", {"@a=1", "@b=2"}, {"@x", "@b"}, {"@a=1"}, {"@b"}, {"@x"}},
        RemoveCase{"OnlyUnknownNamesWriteNothing", {"@a=1"}, {"@x", "@a.cry"}, {"@a=1"}, {}, {"@x", "@a.cry"}},
        RemoveCase{"ANameNotValidUtf8",
                   {"@a=1", "@caf\xE9=2", "@caf\xC3\xA9=3"},
                   {"@caf\xE9"},
                   {"@a=1", "@caf\xC3\xA9=3"},
                   {"@caf\xE9"},
                   {}},
        RemoveCase{"ThePasswordPartIsNoName", {"@a=@b", "@b=1"}, {"@a=@b"}, {"@a=@b", "@b=1"}, {}, {"@a=@b"}},
        // Where file names ignore letter case, so does the name to remove; the stored spelling is told.
        RemoveCase{"OtherLetterCase",
                   {"@a=1", "@A=2", "@b=3"},
                   {"@A"},
                   kCaseSensitiveNames ? std::vector<std::string>{"@a=1", "@b=3"} : std::vector<std::string>{"@b=3"},
                   {kCaseSensitiveNames ? "@A" : "@a"},
                   {}}),
    [](const ::testing::TestParamInfo<RemoveCase>& info) { return std::string(info.param.label); });

TEST_F(StoredNames, PruneRemovesTheNamesWhoseContainerIsGoneAndKeepsThoseNoOneCanTell)
{
    const std::string kept = File("kept", true);
    const std::string gone = File("gone");
    const std::string nonAsciiGone = File(kNonAscii);
    const std::string upperKept = File("upper", true, ".Cry");
    std::vector<std::string> lines = {kept + "=1",         gone + "=2",      gone + "=2b",
                                      nonAsciiGone + "=3", upperKept + "=4", "no equals sign"};
    std::vector<std::string> unchecked;
    std::vector<std::string> remaining = {kept + "=1", upperKept + "=4", "no equals sign"};
#if !defined(_WIN32) // a symbolic link needs a privilege on Windows, and wine makes none
    std::filesystem::create_symlink("loop", dir.Path("loop"));
    const std::string unknown = dir.Path("loop/x");
    lines.insert(lines.begin() + 5, unknown + "=5");
    unchecked.push_back(unknown);
    remaining.insert(remaining.begin() + 1, unknown + "=5");
#else
    // A name an older program wrote in the ANSI code page cannot be looked up as written: whether
    // its container is there nobody can tell, so it stays, even with the file it means present.
    const std::string ansi = dir.Path("l\xE9gacy");
    WriteBytes(dir.Path("l\xC3\xA9gacy.cry"), ToBytes("container"));
    lines.insert(lines.begin() + 5, ansi + "=5");
    unchecked.push_back(ansi);
    // Spelt with a slash, it sorts before the names spelt with backslashes.
    remaining.insert(remaining.begin(), ansi + "=5");
#endif
    WriteDatabase(lines);
    EnterMaster();

    NameRemoval removal;
    ASSERT_EQ(table.PruneStoredNames(removal), kResultOk);
    EXPECT_EQ(removal.Removed, (std::vector<std::string>{nonAsciiGone, gone}));
    EXPECT_EQ(removal.Unchecked, unchecked);
    EXPECT_TRUE(removal.NotFound.empty());
    EXPECT_EQ(DatabaseLines(), remaining);

    // Once nothing is missing, pruning again writes nothing.
    const auto before = InodeOf(db);
    ASSERT_EQ(table.PruneStoredNames(removal), kResultOk);
    EXPECT_TRUE(removal.Removed.empty());
    EXPECT_EQ(InodeOf(db), before);
}

enum class NamesOp
{
    List,
    Remove,
    Prune,
};

int RunOp(TKV_PwdTable& table, NamesOp op, const std::string& name)
{
    std::vector<StoredName> names;
    NameRemoval removal;
    switch (op) {
    case NamesOp::List:
        return table.ListStoredNames(names);
    case NamesOp::Remove:
        return table.RemoveStoredNames({name}, removal);
    case NamesOp::Prune:
        return table.PruneStoredNames(removal);
    }
    return 0;
}

struct FailureCase
{
    const char* label;
    NamesOp op;
    bool masterEntered;
};

class Refused : public StoredNames, public ::testing::WithParamInterface<FailureCase>
{
};

// A wrong master password, or none, leaves the database exactly as it was, the same file, and
// leaves no lock file behind.
TEST_P(Refused, WithoutTheRightMasterPasswordTheDatabaseIsUntouched)
{
    const FailureCase& c = GetParam();
    const std::string gone = File("gone");
    WriteDatabase({gone + "=1"});
    const Bytes bytes = ReadBytes(db);
    const auto inode = InodeOf(db);
    if (c.masterEntered) EnterMaster("Not-The-Master");

    EXPECT_EQ(RunOp(table, c.op, gone), kResultWrongPassword);
    EXPECT_EQ(ReadBytes(db), bytes);
    EXPECT_EQ(InodeOf(db), inode);
    EXPECT_FALSE(std::filesystem::exists(PwdDbLock::LockPath(db)));
    EXPECT_TRUE(table.Entries.Empty());
    EXPECT_FALSE(table.FailureDetail().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, Refused,
                         ::testing::Values(FailureCase{"ListWrongMaster", NamesOp::List, true},
                                           FailureCase{"RemoveWrongMaster", NamesOp::Remove, true},
                                           FailureCase{"PruneWrongMaster", NamesOp::Prune, true},
                                           FailureCase{"ListNoMaster", NamesOp::List, false},
                                           FailureCase{"RemoveNoMaster", NamesOp::Remove, false},
                                           FailureCase{"PruneNoMaster", NamesOp::Prune, false}),
                         [](const ::testing::TestParamInfo<FailureCase>& info) {
                             return std::string(info.param.label);
                         });

// No database at the path: told as -2, and nothing is made there (no lock file either).
TEST_F(StoredNames, ADatabaseThatIsNotThereIsToldAndNotMade)
{
    EnterMaster();
    for (NamesOp op : {NamesOp::List, NamesOp::Remove, NamesOp::Prune}) {
        EXPECT_EQ(RunOp(table, op, dir.Path("a")), kResultCannotOpen) << static_cast<int>(op);
        EXPECT_TRUE(dir.Names().empty()) << static_cast<int>(op);
        EXPECT_NE(table.FailureDetail().find(db), std::string::npos);
    }
}

// A save that fails (a full disk) keeps the database as it was: the names are not gone.
TEST_F(StoredNames, AFailedSaveKeepsEveryLine)
{
    const std::string gone = File("gone");
    WriteDatabase({gone + "=1", File("x", true) + "=2"});
    const Bytes bytes = ReadBytes(db);
    EnterMaster();
    table.Master.Faults.failWriteAfter = 10;
    NameRemoval removal;
    EXPECT_EQ(table.PruneStoredNames(removal), kResultWriteFailed);
    EXPECT_EQ(removal.Removed, std::vector<std::string>{gone});
    EXPECT_EQ(ReadBytes(db), bytes);
    EXPECT_TRUE(table.Entries.Empty());
    EXPECT_EQ(dir.Names().size(), 3u) << "the database, its lock file and x.cry; no temporary file";
}

// The table refuses these while another of its operations runs (a window processing events in the
// middle of reading the database).
TEST_F(StoredNames, RefusedWhileAnotherTableOperationRuns)
{
    WriteDatabase({dir.Path("a") + "=1"});
    EnterMaster();
    std::vector<int> nested;
    table.Master.ProcessMessages = [&] {
        for (NamesOp op : {NamesOp::List, NamesOp::Remove, NamesOp::Prune})
            nested.push_back(RunOp(table, op, dir.Path("a")));
    };
    std::vector<StoredName> names;
    EXPECT_EQ(table.ListStoredNames(names), kResultOk);
    EXPECT_EQ(nested, (std::vector<int>{kResultTableBusy, kResultTableBusy, kResultTableBusy}));
    EXPECT_EQ(names.size(), 1u);
}

} // namespace
