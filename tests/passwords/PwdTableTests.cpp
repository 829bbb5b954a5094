// SPDX-License-Identifier: GPL-3.0-or-later
// Remembering and recalling file passwords, the master password prompt, and the guard against a
// second table operation while one runs.
#include "PwdTestSupport.h"

#include <cerrno>
#include <cstring>

using namespace pwtest;

namespace {

class Remember : public TableTest
{
protected:
    Remember() { pwd.SetPassword("file-pass"); }
    TKV_Pwd pwd;
};

TEST_F(Remember, CreatesAMissingDatabaseWithOneLine)
{
    EnterMaster();
    ASSERT_FALSE(std::filesystem::exists(db));
    EXPECT_TRUE(table.RememberPassword("/home/ann/a.txt", pwd));
    EXPECT_EQ(DatabaseLines(), std::vector<std::string>{"/home/ann/a.txt=file-pass"});
    EXPECT_TRUE(table.Entries.Empty());
    EXPECT_EQ(PasswordOf(pwd), "file-pass");
}

TEST_F(Remember, KeepsTheOtherLinesSorted)
{
    EnterMaster();
    WriteDatabase({"/a=1", "/C=3"});
    EXPECT_TRUE(table.RememberPassword("/b", pwd));
    EXPECT_EQ(DatabaseLines(), (std::vector<std::string>{"/a=1", "/b=file-pass", "/C=3"}));
}

// Where names differ by letter case, two such files keep their own passwords: replacing one would
// lose the other's, perhaps its only copy.
TEST_F(Remember, ReplacesThePathOnlyInTheSameLetterCaseWhereCaseCounts)
{
    EnterMaster();
    ASSERT_TRUE(table.RememberPassword("/Docs/Report.txt", pwd));
    pwd.SetPassword("second-pass");
    ASSERT_TRUE(table.RememberPassword("/docs/REPORT.TXT", pwd));
    const std::vector<std::string> expected =
        kCaseSensitiveNames ? std::vector<std::string>{"/Docs/Report.txt=file-pass", "/docs/REPORT.TXT=second-pass"}
                            : std::vector<std::string>{"/docs/REPORT.TXT=second-pass"};
    EXPECT_EQ(DatabaseLines(), expected);
}

// A damaged or hand-made table may hold one name twice; no older line may shadow the new one.
TEST_F(Remember, ReplacesEveryLineOfThatName)
{
    EnterMaster();
    WriteDatabase({"/a=old-1", "/a=old-2", "/b=2"});
    ASSERT_TRUE(table.RememberPassword("/a", pwd));
    EXPECT_EQ(DatabaseLines(), (std::vector<std::string>{"/a=file-pass", "/b=2"}));
}

TEST_F(Remember, AsksForTheMasterPasswordWhenNotEntered)
{
    ui.ExpectDialog({kMaster});
    EXPECT_TRUE(table.RememberPassword("/a", pwd));
    EXPECT_EQ(ui.SubmitCodes, std::vector<int>{kResultCannotOpen});
    EXPECT_TRUE(table.Master.Entered);
    EXPECT_EQ(DatabaseLines(), std::vector<std::string>{"/a=file-pass"});
}

TEST_F(Remember, AWrongMasterPasswordIsAskedAgain)
{
    WriteDatabase({"/a=1"});
    ui.ExpectDialog({"Wrong-Master", kMaster});
    EXPECT_TRUE(table.RememberPassword("/b", pwd));
    EXPECT_EQ(ui.SubmitCodes, (std::vector<int>{kResultWrongPassword, kResultOk}));
    EXPECT_EQ(DatabaseLines(), (std::vector<std::string>{"/a=1", "/b=file-pass"}));
}

TEST_F(Remember, StoresNothingWithoutTheMasterPassword)
{
    for (MasterPasswordAnswer answer : {MasterPasswordAnswer::NotNow, MasterPasswordAnswer::NotAtAll}) {
        ui.ExpectDialog({}, answer);
        EXPECT_FALSE(table.RememberPassword("/a", pwd));
        EXPECT_FALSE(std::filesystem::exists(db));
        EXPECT_FALSE(table.Master.Entered);
        EXPECT_EQ(table.Master.Store, answer == MasterPasswordAnswer::NotNow);
    }
}

// As from the command line: the master password was set without being checked.
TEST_F(Remember, AWrongMasterPasswordAlreadyEnteredIsAnAccessError)
{
    WriteDatabase({"/a=1"});
    const Bytes before = ReadBytes(db);
    EnterMaster("Wrong-Master");
    ui.ExpectDatabaseError();
    EXPECT_FALSE(table.RememberPassword("/b", pwd));
    EXPECT_EQ(ReadBytes(db), before);
    EXPECT_TRUE(table.Entries.Empty());
}

TEST_F(Remember, RefusesWhatALineCannotHold)
{
    EnterMaster();
    WriteDatabase({"/a=1"});
    const Bytes before = ReadBytes(db);
    for (const std::string& name : {std::string(""), std::string("/x=y/z.txt"), std::string("/x\ny"),
                                    std::string("/x\ry"), std::string("/x\0y", 4)}) {
        SCOPED_TRACE(name);
        ui.ExpectDatabaseError();
        EXPECT_FALSE(table.RememberPassword(name, pwd));
    }
    for (const std::string& password : {std::string("line\nbreak"), std::string("nul\0byte", 8)}) {
        SCOPED_TRACE(password);
        pwd.SetPassword(password);
        ui.ExpectDatabaseError();
        EXPECT_FALSE(table.RememberPassword("/b", pwd));
    }
    pwd.ClearPassword();
    ui.ExpectDatabaseError();
    EXPECT_FALSE(table.RememberPassword("/b", pwd));
    EXPECT_EQ(ReadBytes(db), before);
}

TEST_F(Remember, AFailedSaveKeepsTheDatabaseWithItsLines)
{
    EnterMaster();
    ASSERT_TRUE(table.RememberPassword("/a", pwd));
    ASSERT_TRUE(table.RememberPassword("/b", pwd));
    const Bytes before = ReadBytes(db);
    table.Master.Faults.failWriteAfter = 20;
    ui.ExpectDatabaseError();
    EXPECT_FALSE(table.RememberPassword("/c", pwd));
    EXPECT_TRUE(table.Entries.Empty());
    EXPECT_EQ(ReadBytes(db), before);
    EXPECT_EQ(DatabaseLines(), (std::vector<std::string>{"/a=file-pass", "/b=file-pass"}));
}

class Recall : public TableTest
{
protected:
    Recall()
    {
        pwd.SetPassword("session-pass");
        pwd.Entered = true;
    }
    void ExpectPwdUntouched()
    {
        EXPECT_EQ(PasswordOf(pwd), "session-pass");
        EXPECT_EQ(pwd.PwdLength, 12);
        EXPECT_TRUE(pwd.Entered);
    }
    TKV_Pwd pwd;
};

TEST_F(Recall, OneShotAfterTheDecryptionSucceeded)
{
    EnterMaster();
    WriteDatabase({"/a=1", "/home/ann/a.txt=file-pass"});
    {
        RecalledPassword recalled = table.RecallPassword("/home/ann/a.txt", pwd);
        ASSERT_TRUE(recalled);
        EXPECT_EQ(PasswordOf(pwd), "file-pass");
        EXPECT_TRUE(pwd.Entered);
        EXPECT_TRUE(table.Entries.Empty());
        // Until the decryption is confirmed the line stays.
        EXPECT_EQ(DatabaseLines(), (std::vector<std::string>{"/a=1", "/home/ann/a.txt=file-pass"}));
        EXPECT_TRUE(recalled.Confirm());
        EXPECT_FALSE(recalled);
        ExpectPwdUntouched();
    }
    EXPECT_EQ(DatabaseLines(), std::vector<std::string>{"/a=1"});
    EXPECT_FALSE(table.RecallPassword("/home/ann/a.txt", pwd));
    ExpectPwdUntouched();
}

TEST_F(Recall, FindsThePathInLetterCaseAsTheFileSystemDoes)
{
    EnterMaster();
    WriteDatabase({"/Home/Ann/A.txt=file-pass"});
    if (kCaseSensitiveNames) {
        EXPECT_FALSE(table.RecallPassword("/home/ann/a.TXT", pwd));
        ExpectPwdUntouched();
    }
    RecalledPassword recalled = table.RecallPassword(kCaseSensitiveNames ? "/Home/Ann/A.txt" : "/home/ann/a.TXT", pwd);
    ASSERT_TRUE(recalled);
    EXPECT_EQ(PasswordOf(pwd), "file-pass");
    EXPECT_TRUE(recalled.Confirm());
    EXPECT_EQ(DatabaseLines(), std::vector<std::string>{});
}

TEST_F(Recall, AFailedDecryptionKeepsTheLineAndGivesThePasswordBack)
{
    EnterMaster();
    WriteDatabase({"/a=x=y"});
    const Bytes before = ReadBytes(db);
    {
        RecalledPassword recalled = table.RecallPassword("/a", pwd);
        ASSERT_TRUE(recalled);
        EXPECT_EQ(PasswordOf(pwd), "x=y");
        // The engine may shorten the length it used; the restored one is the session password's.
        pwd.PwdLength = 2;
    }
    ExpectPwdUntouched();
    EXPECT_EQ(ReadBytes(db), before);

    RecalledPassword again = table.RecallPassword("/a", pwd);
    ASSERT_TRUE(again);
    again.Restore();
    EXPECT_FALSE(again);
    EXPECT_FALSE(again.Confirm());
    ExpectPwdUntouched();
    EXPECT_EQ(ReadBytes(db), before);
}

// A stored password that no longer opens its file steps aside for the one the user types; the stale
// line goes only if the typed one works.
TEST_F(Recall, AWithdrawnRecallLeavesTheUsersPasswordAndRemovesTheLineOnlyOnConfirm)
{
    EnterMaster();
    WriteDatabase({"/a=stale-pass", "/b=2-pass"});
    const Bytes before = ReadBytes(db);
    {
        RecalledPassword recalled = table.RecallPassword("/a", pwd);
        ASSERT_TRUE(recalled);
        recalled.Withdraw();
        EXPECT_FALSE(recalled);
        ExpectPwdUntouched();
        recalled.Withdraw();
        ExpectPwdUntouched();
    }
    ExpectPwdUntouched();
    EXPECT_EQ(ReadBytes(db), before);

    RecalledPassword recalled = table.RecallPassword("/a", pwd);
    ASSERT_TRUE(recalled);
    recalled.Withdraw();
    pwd.SetPassword("typed-pass");
    RecalledPassword moved = std::move(recalled);
    EXPECT_FALSE(moved);
    EXPECT_TRUE(moved.Confirm());
    // The password the user typed stays the engine object's own.
    EXPECT_EQ(PasswordOf(pwd), "typed-pass");
    EXPECT_EQ(DatabaseLines(), std::vector<std::string>{"/b=2-pass"});
    EXPECT_FALSE(moved.Confirm());
}

TEST_F(Recall, AMovedRecallIsFinishedOnce)
{
    EnterMaster();
    WriteDatabase({"/a=1-pass", "/b=2-pass"});
    RecalledPassword first = table.RecallPassword("/a", pwd);
    ASSERT_TRUE(first);
    RecalledPassword moved = std::move(first);
    EXPECT_FALSE(first);
    EXPECT_EQ(PasswordOf(pwd), "1-pass");
    moved = table.RecallPassword("/b", pwd);
    EXPECT_EQ(PasswordOf(pwd), "2-pass");
    EXPECT_TRUE(moved.Confirm());
    ExpectPwdUntouched();
    EXPECT_EQ(DatabaseLines(), std::vector<std::string>{"/a=1-pass"});
}

TEST_F(Recall, WithStoreOffTouchesNothing)
{
    table.Master.Store = false;
    // Neither a dialog (the script has none) nor a file.
    EXPECT_FALSE(table.RecallPassword("/a", pwd));
    EXPECT_FALSE(std::filesystem::exists(db));
    ExpectPwdUntouched();

    WriteDatabase({"/a=1"});
    const auto modified = std::filesystem::last_write_time(db);
    EnterMaster();
    EXPECT_FALSE(table.RecallPassword("/a", pwd));
    EXPECT_EQ(std::filesystem::last_write_time(db), modified);
    ExpectPwdUntouched();
}

TEST_F(Recall, DoNotUseNowAsksAgainNextTime)
{
    WriteDatabase({"/a=file-pass"});
    ui.ExpectDialog({}, MasterPasswordAnswer::NotNow);
    EXPECT_FALSE(table.RecallPassword("/a", pwd));
    EXPECT_TRUE(table.Master.Store);
    ExpectPwdUntouched();

    ui.ExpectDialog({kMaster});
    RecalledPassword recalled = table.RecallPassword("/a", pwd);
    EXPECT_TRUE(recalled);
    EXPECT_EQ(PasswordOf(pwd), "file-pass");
}

TEST_F(Recall, NothingStoredLeavesTheDatabaseAsItWas)
{
    EnterMaster();
    WriteDatabase({"/a=1"});
    const Bytes before = ReadBytes(db);
    const auto modified = std::filesystem::last_write_time(db);
    for (const char* name : {"/b", "/a/", "/", "/a=1", ""}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(table.RecallPassword(name, pwd));
    }
    ExpectPwdUntouched();
    EXPECT_EQ(ReadBytes(db), before);
    EXPECT_EQ(std::filesystem::last_write_time(db), modified);
    EXPECT_TRUE(table.Entries.Empty());
}

TEST_F(Recall, NoDatabaseIsNothingStored)
{
    EnterMaster();
    EXPECT_FALSE(table.RecallPassword("/a", pwd));
    EXPECT_FALSE(std::filesystem::exists(db));
    ExpectPwdUntouched();
}

TEST_F(Recall, ADamagedDatabaseIsAnAccessError)
{
    EnterMaster();
    WriteBytes(db, ReadBytes(DataFile("pwdb_altered_body.key")));
    ui.ExpectDatabaseError();
    EXPECT_FALSE(table.RecallPassword("/srv/beta.doc", pwd));
    ExpectPwdUntouched();
    EXPECT_TRUE(table.Entries.Empty());
}

TEST_F(Recall, AFailedRewriteAfterTheDecryptionKeepsTheLine)
{
    EnterMaster();
    WriteDatabase({"/a=file-pass"});
    const Bytes before = ReadBytes(db);
    RecalledPassword recalled = table.RecallPassword("/a", pwd);
    ASSERT_TRUE(recalled);
    table.Master.Faults.failWriteAfter = 0;
    ui.ExpectDatabaseError();
    EXPECT_FALSE(recalled.Confirm());
    ExpectPwdUntouched();
    EXPECT_EQ(ReadBytes(db), before);
}

// A password stored for the file meanwhile belongs to a later encryption.
TEST_F(Recall, ConfirmingKeepsALineStoredAnewMeanwhile)
{
    EnterMaster();
    WriteDatabase({"/a=old-pass"});
    RecalledPassword recalled = table.RecallPassword("/a", pwd);
    ASSERT_TRUE(recalled);
    TKV_Pwd other;
    other.SetPassword("new-pass");
    ASSERT_TRUE(table.StorePassword("/A", other));
    EXPECT_TRUE(recalled.Confirm());
    EXPECT_EQ(DatabaseLines(), std::vector<std::string>{"/A=new-pass"});
}

TEST_F(Recall, TakeIgnoresTheStoreFlag)
{
    EnterMaster();
    table.Master.Store = false;
    WriteDatabase({"/a=file-pass"});
    RecalledPassword taken = table.TakePassword("/a", pwd);
    ASSERT_TRUE(taken);
    EXPECT_EQ(PasswordOf(pwd), "file-pass");
}

struct PromptCase
{
    const char* label;
    bool expires;
    int expTime;
    std::vector<std::string> submissions;
    MasterPasswordAnswer otherwise;
    bool entered;
    bool store;
    bool expired;
    int ticks;
    bool timerOn;
    bool buttonOn;
};

class Prompt : public TableTest, public ::testing::WithParamInterface<PromptCase>
{
};

TEST_P(Prompt, AppliesTheAnswerToTheMasterPassword)
{
    const PromptCase& c = GetParam();
    table.Master.Expires = c.expires;
    table.Master.ExpTime = c.expTime;
    table.Master.Expired = true;
    table.Master.Ticks = 99;
    table.Master.Entered = true;
    ui.ExpectDialog(c.submissions, c.otherwise);

    EXPECT_EQ(table.PromptForMasterPassword(), c.entered);
    EXPECT_EQ(table.Master.Entered, c.entered);
    EXPECT_EQ(table.Master.Store, c.store);
    EXPECT_EQ(table.Master.Expired, c.expired);
    EXPECT_EQ(table.Master.Ticks, c.ticks);
    EXPECT_EQ(table.MasterPwdControls.TimerOn, c.timerOn);
    EXPECT_EQ(table.MasterPwdControls.ButtonOn, c.buttonOn);
    EXPECT_FALSE(table.Busy());
}

using A = MasterPasswordAnswer;
INSTANTIATE_TEST_SUITE_P(
    Answers, Prompt,
    ::testing::Values(
        PromptCase{"CountdownStarts", true, 5, {"Kelvane-Master"}, A::NotNow, true, true, false, 0, true, true},
        PromptCase{"NeverExpiresByTime", true, 0, {"Kelvane-Master"}, A::NotNow, true, true, false, 99, false, true},
        // The old expiry mark goes with the new password, or the next boundary would drop it.
        PromptCase{"NoSessionExpiry", false, 5, {"Kelvane-Master"}, A::NotNow, true, true, false, 99, false, false},
        PromptCase{"NotNow", true, 5, {}, A::NotNow, false, true, true, 99, false, false},
        PromptCase{"NotAtAll", true, 5, {}, A::NotAtAll, false, false, true, 99, false, false},
        PromptCase{"SubmittedWithoutAPassword", true, 5, {}, A::Submitted, false, true, true, 99, false, false}),
    [](const ::testing::TestParamInfo<PromptCase>& info) { return std::string(info.param.label); });

TEST_F(TableTest, SubmitChecksAgainstAnExistingDatabaseOnly)
{
    EXPECT_EQ(table.SubmitMasterPassword("Any-Password"), kResultCannotOpen);
    EXPECT_EQ(PasswordOf(table.Master), "Any-Password");

    WriteDatabase({"/a=1"});
    EXPECT_EQ(table.SubmitMasterPassword("Wrong-Master"), kResultWrongPassword);
    EXPECT_EQ(table.Master.PwdLength, 0);
    EXPECT_TRUE(table.Master.Password.empty());
    EXPECT_EQ(table.SubmitMasterPassword(kMaster), kResultOk);
    EXPECT_EQ(PasswordOf(table.Master), kMaster);
    EXPECT_TRUE(table.Entries.Empty());

    // A damaged file does not block the dialog; it shows at the first use.
    WriteBytes(db, ReadBytes(DataFile("pwdb_bad_magic.key")));
    EXPECT_EQ(table.SubmitMasterPassword(kMaster), kResultNotEncrypted);
}

TEST_F(TableTest, ALongMasterPasswordIsShortenedWhenChecked)
{
    WriteDatabase({"/a=1"}, "0123456789abcdef");
    EXPECT_EQ(table.SubmitMasterPassword("0123456789abcdef-and-more"), kResultOk);
    EXPECT_EQ(table.Master.PwdLength, 16);
}

// Messages processed while the database is read let a second operation in; it must be refused.
TEST_F(TableTest, ASecondOperationIsRefusedWhileOneRuns)
{
    EnterMaster();
    WriteDatabase({"/a=1", "/b=2"});
    TKV_Pwd pwd;
    pwd.SetPassword("file-pass");
    TKV_Pwd bystander;
    bystander.SetPassword("bystander");

    int pumped = 0;
    table.Master.ProcessMessages = [&] {
        ++pumped;
        EXPECT_TRUE(table.Busy());
        EXPECT_EQ(table.LoadTable(true), kResultTableBusy);
        EXPECT_EQ(table.LoadTable(false), kResultTableBusy);
        EXPECT_EQ(table.SaveTable(), kResultTableBusy);
        EXPECT_EQ(table.SubmitMasterPassword("Other-Master"), kResultTableBusy);
        EXPECT_FALSE(table.PromptForMasterPassword());
        EXPECT_FALSE(table.RecallPassword("/a", bystander));
        EXPECT_FALSE(table.TakePassword("/a", bystander));
        ui.ExpectDatabaseError();
        EXPECT_FALSE(table.RememberPassword("/x", bystander));
        ui.ExpectDatabaseError();
        EXPECT_FALSE(table.StorePassword("/x", bystander));
    };
    EXPECT_TRUE(table.RememberPassword("/c", pwd));
    EXPECT_EQ(pumped, 1);
    EXPECT_FALSE(table.Busy());
    EXPECT_EQ(PasswordOf(bystander), "bystander");
    EXPECT_EQ(PasswordOf(table.Master), kMaster);

    table.Master.ProcessMessages = nullptr;
    EXPECT_EQ(DatabaseLines(), (std::vector<std::string>{"/a=1", "/b=2", "/c=file-pass"}));
}

TEST_F(TableTest, ConfirmingIsRefusedWhileAnotherOperationRuns)
{
    EnterMaster();
    WriteDatabase({"/a=1-pass", "/b=2-pass"});
    TKV_Pwd pwd;
    RecalledPassword recalled = table.RecallPassword("/a", pwd);
    ASSERT_TRUE(recalled);

    bool confirmed = true;
    table.Master.ProcessMessages = [&] {
        ui.ExpectDatabaseError();
        confirmed = recalled.Confirm();
    };
    TKV_Pwd other;
    other.SetPassword("3-pass");
    EXPECT_TRUE(table.StorePassword("/c", other));
    EXPECT_FALSE(confirmed);
    table.Master.ProcessMessages = nullptr;
    EXPECT_EQ(DatabaseLines(), (std::vector<std::string>{"/a=1-pass", "/b=2-pass", "/c=3-pass"}));
}

} // namespace

// Before a file whose password is to be stored is encrypted: the database must be readable under the
// master password and its folder must take a new file, or the user learns why while the file is
// still plain.
class PrepareToStore : public TableTest
{
};

TEST_F(PrepareToStore, ReadyForADatabaseNotThereYetAndCreatesNothing)
{
    EnterMaster();
    const std::filesystem::path folder = std::filesystem::path(db).parent_path();
    const auto count = [&] { return std::distance(std::filesystem::directory_iterator(folder), {}); };
    const auto before = count();
    EXPECT_EQ(table.PrepareToStore(), StoreReadiness::Ready);
    EXPECT_EQ(count(), before);
    EXPECT_FALSE(std::filesystem::exists(db));
}

TEST_F(PrepareToStore, ReadyForAGoodDatabaseAndLeavesItAlone)
{
    EnterMaster();
    WriteDatabase({"/a=1"});
    const Bytes before = ReadBytes(db);
    EXPECT_EQ(table.PrepareToStore(), StoreReadiness::Ready);
    EXPECT_EQ(ReadBytes(db), before);
    EXPECT_TRUE(table.Entries.Empty());
}

TEST_F(PrepareToStore, AsksForTheMasterPasswordFirst)
{
    ui.ExpectDialog({}, MasterPasswordAnswer::NotNow);
    EXPECT_EQ(table.PrepareToStore(), StoreReadiness::NoMasterPassword);
    ui.ExpectDialog({kMaster});
    EXPECT_EQ(table.PrepareToStore(), StoreReadiness::Ready);
    EXPECT_TRUE(table.Master.Entered);
}

// Each failure names the database and the reason, as the system or the table gives it.
TEST_F(PrepareToStore, TellsWhereAndWhyTheDatabaseFails)
{
    const std::filesystem::path folder = std::filesystem::path(db).parent_path();
    std::filesystem::create_directory(folder / "sub");
    WriteBytes((folder / "garbage").string(), Bytes(40, 'g'));
    WriteDatabase({"/a=1"}, "Another-Master");
    const std::string damaged = (folder / "damaged").string();
    std::filesystem::copy_file(db, damaged);
    {
        Bytes bytes = ReadBytes(damaged);
        bytes.back() ^= 0x01;
        WriteBytes(damaged, bytes);
    }
    struct Case
    {
        std::string path;
        std::string master;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {(folder / "sub").string(), kMaster, std::strerror(EISDIR)},
        {(folder / "missing" / "x.db").string(), kMaster, std::strerror(ENOENT)},
        {(folder / "garbage").string(), kMaster, "the file is not a database of passwords"},
        {db, kMaster, "the master password does not open it"},
        {damaged, "Another-Master", "the file is damaged"},
        {"", kMaster, "no path is set for the database"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        table.Master.Dir = c.path;
        EnterMaster(c.master);
        ui.ExpectDatabaseError();
        ui.Details.clear();
        EXPECT_EQ(table.PrepareToStore(), StoreReadiness::DatabaseFailed);
        ASSERT_EQ(ui.Details.size(), 1u);
        EXPECT_EQ(ui.Details[0], (c.path.empty() ? std::string("(no path set)") : c.path) + ": " + c.reason);
    }
}
