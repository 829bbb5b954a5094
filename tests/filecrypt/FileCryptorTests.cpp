// SPDX-License-Identifier: GPL-3.0-or-later
// One file's work as the window and kelvane-cli both get it: what the user is asked and told, in
// which order, and what is left on the disk and in the database.
#include "FileCryptor.h"

#include "../passwords/PwdTestSupport.h"

#include "FileSystem.h"
#include "Keys.h"
#include "ResultCodes.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

using pwtest::Bytes;
using pwtest::ReadBytes;
using pwtest::TempDir;
using pwtest::WriteBytes;

// The user as a script: each password prompt takes the next answer; every call is written down.
class RecordingUi : public IFileCryptUi
{
public:
    explicit RecordingUi(TKV_Pwd& engine) : engine_(engine) {}

    // A password the prompt gives, or Skip / CancelAll when `password` is empty.
    void Answer(const std::string& password, PasswordStep step = PasswordStep::Ready)
    {
        answers_.push_back({password, step});
    }
    bool StoreWanted = false;
    bool Overwrite = false;
    std::vector<std::string> Log;

    PasswordStep ObtainPassword(const FileJob&) override
    {
        Log.push_back("prompt");
        if (answers_.empty()) {
            ADD_FAILURE() << "unexpected password prompt";
            return PasswordStep::Skip;
        }
        const auto answer = answers_.front();
        answers_.pop_front();
        if (answer.step == PasswordStep::Ready) engine_.SetPassword(answer.password);
        return answer.step;
    }
    void PasswordSettled(const FileJob&) override { Log.push_back("settled"); }
    bool StorePasswordWanted() override { return StoreWanted; }
    void PasswordNotStorable(const FileJob&) override { Log.push_back("not storable"); }
    void PasswordNotStored(const FileJob&) override { Log.push_back("not stored"); }
    void StoredPasswordRefused(const FileJob&) override { Log.push_back("stored refused"); }
    void StoredPasswordKept(const FileJob&) override { Log.push_back("stored kept"); }
    bool MayOverwrite(const FileJob&) override
    {
        Log.push_back("overwrite?");
        return Overwrite;
    }
    void TargetRefused(const FileJob&) override { Log.push_back("target refused"); }
    void WorkEnded(const FileJob&, int code) override { Log.push_back("work " + std::to_string(code)); }
    void RemovalEnded(const std::string&, int result) override { Log.push_back("removal " + std::to_string(result)); }
    void SourceNotRemoved(const FileJob&, const std::string&) override { Log.push_back("source not removed"); }
    void Finished(const FileJob&, bool kept) override { Log.push_back(kept ? "finished, kept" : "finished"); }
    void SourceMissing(const FileJob&) override { Log.push_back("missing"); }
    void EngineError(int code, const std::string&) override { Log.push_back("error " + std::to_string(code)); }

private:
    struct Scripted
    {
        std::string password;
        PasswordStep step;
    };
    TKV_Pwd& engine_;
    std::deque<Scripted> answers_;
};

class FileCryptorTest : public ::testing::Test
{
protected:
    FileCryptorTest()
    {
        table.Master.Dir = dir.Path("xwords.001");
        table.Master.Store = true;
    }

    FileJob Job(const std::string& name, bool encrypting) const
    {
        FileJob job;
        job.Name = name;
        job.Encrypting = encrypting;
        job.Method = kMethodIdea;
        job.Source = dir.Path(encrypting ? name : name + ".cry");
        job.Target = dir.Path(encrypting ? name + ".cry" : name);
        return job;
    }

    // A container of `plain` under `password`, and the plain file gone.
    void MakeContainer(const std::string& name, const Bytes& plain, const std::string& password)
    {
        WriteBytes(dir.Path(name), plain);
        TKV_Pwd maker;
        maker.SetPassword(password);
        ASSERT_EQ(maker.EncryptFile(dir.Path(name), kMethodIdea), kResultOk);
        ASSERT_EQ(::unlink(dir.Path(name).c_str()), 0);
    }

    // Stores `password` as the one for plain file `name`, the master password entered first.
    void StorePassword(const std::string& name, const std::string& password)
    {
        TKV_Pwd holder;
        holder.SetPassword(password);
        // Under the name the cryptor stores and looks up (on Windows with its own separators).
        ASSERT_TRUE(table.RememberPassword(DatabaseName(dir.Path(name)), holder));
    }

    bool Stored(const std::string& name)
    {
        TKV_Pwd probe;
        return static_cast<bool>(table.TakePassword(DatabaseName(dir.Path(name)), probe));
    }

    TempDir dir;
    pwtest::ScriptedUi passwordUi;
    TKV_PwdTable table{passwordUi};
    TKV_Pwd engine;
    RecordingUi ui{engine};
    FileCryptor cryptor{engine, table, ui};
    const Bytes plain = Bytes(5000, 0x5A);
};

// The fix once made twice: a stored password that no longer opens its container gives way to the
// user's, silently, without a second overwrite question, and its entry goes once the file is back.
// A user who then skips the file keeps both the container and the entry.
TEST_F(FileCryptorTest, AStaleStoredPasswordGivesWayToTheUsers)
{
    passwordUi.ExpectDialog({"master-pass"});
    StorePassword("a.txt", "old password");
    MakeContainer("a.txt", plain, "new password");
    MakeContainer("b.txt", plain, "new password");
    StorePassword("b.txt", "old password");
    WriteBytes(dir.Path("a.txt"), Bytes{'x'});

    ui.Overwrite = true;
    ui.Answer("new password");
    const FileResult result = cryptor.Process(Job("a.txt", false));
    EXPECT_EQ(result.Outcome, FileOutcome::Done);
    EXPECT_EQ(ui.Log, (std::vector<std::string>{"settled", "overwrite?", "work -11", "stored refused", "prompt",
                                                "work 0", "removal 0", "finished"}));
    EXPECT_EQ(ReadBytes(dir.Path("a.txt")), plain);
    EXPECT_FALSE(Stored("a.txt"));

    ui.Log.clear();
    ui.Answer("", PasswordStep::Skip);
    EXPECT_EQ(cryptor.Process(Job("b.txt", false)).Outcome, FileOutcome::NotDone);
    EXPECT_EQ(ui.Log, (std::vector<std::string>{"settled", "work -11", "stored refused", "prompt"}));
    EXPECT_TRUE(pwtest::ReadBytes(dir.Path("b.txt.cry")).size() > plain.size());
    EXPECT_TRUE(Stored("b.txt"));
}

// Encryption with the password to be stored: a database that cannot take it ends the run before the
// plain file is touched; one that can gets it once the container is in place.
TEST_F(FileCryptorTest, TheDatabaseIsReadyBeforeThePlainFileIsTouched)
{
    WriteBytes(dir.Path("a.txt"), plain);
    WriteBytes(dir.Path("file"), Bytes{'f'});
    table.Master.Dir = dir.Path("file/xwords.001");
    passwordUi.ExpectDialog({"master-pass"});
    passwordUi.ExpectDatabaseError();
    ui.StoreWanted = true;
    ui.Answer("file password");
    EXPECT_EQ(cryptor.Process(Job("a.txt", true)).Outcome, FileOutcome::EndRun);
    EXPECT_EQ(ui.Log, (std::vector<std::string>{"prompt", "not storable"}));
    EXPECT_EQ(ReadBytes(dir.Path("a.txt")), plain);
    EXPECT_EQ(GetFileKind(dir.Path("a.txt.cry")), FileKind::Missing);

    ui.Log.clear();
    table.Master.Dir = dir.Path("xwords.001");
    ui.Answer("file password");
    EXPECT_EQ(cryptor.Process(Job("a.txt", true)).Outcome, FileOutcome::Done);
    EXPECT_EQ(ui.Log, (std::vector<std::string>{"prompt", "settled", "work 0", "removal 0", "finished"}));
    EXPECT_TRUE(Stored("a.txt"));
}

// What a front end without questions decides up front costs the user no password prompt; a file the
// work cannot use keeps the permissions it had, also when the work made it writable for the wipe.
TEST_F(FileCryptorTest, RefusalsComeBeforeThePromptAndLeaveTheSourceAsItWas)
{
    WriteBytes(dir.Path("a.txt"), plain);
    WriteBytes(dir.Path("a.txt.cry"), Bytes{'c'});
    cryptor.Overwrite = OverwritePolicy::Refuse;
    EXPECT_EQ(cryptor.Process(Job("a.txt", true)).Outcome, FileOutcome::NotDone);
    EXPECT_EQ(ui.Log, (std::vector<std::string>{"target refused"}));
    EXPECT_EQ(cryptor.Process(Job("missing", true)).Outcome, FileOutcome::NotDone);
    EXPECT_EQ(ui.Log.back(), "missing");

    // The name with ".cry" added is too long: the engine refuses after the source was made writable.
    ui.Log.clear();
    const std::string longName(static_cast<std::size_t>(testplatform::NameMax(dir.Path(""))), 'L');
    WriteBytes(dir.Path(longName), plain);
#if defined(_WIN32)
    ASSERT_TRUE(testplatform::MakeReadOnly(dir.Path(longName)));
#else
    ASSERT_EQ(::chmod(dir.Path(longName).c_str(), 0444), 0);
#endif
    ui.Answer("file password");
    EXPECT_EQ(cryptor.Process(Job(longName, true)).EngineResult, kResultNameTooLong);
    EXPECT_EQ(ui.Log, (std::vector<std::string>{"prompt", "settled", "work -25", "error -25"}));
#if defined(_WIN32)
    EXPECT_TRUE(testplatform::IsReadOnlyFile(dir.Path(longName)));
#else
    struct stat st;
    ASSERT_EQ(::stat(dir.Path(longName).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
#endif
}

// --keep: the container is made, the source stays with its own permissions.
TEST_F(FileCryptorTest, AKeptSourceKeepsItsPermissions)
{
    WriteBytes(dir.Path("a.txt"), plain);
#if defined(_WIN32)
    ASSERT_TRUE(testplatform::MakeReadOnly(dir.Path("a.txt")));
#else
    ASSERT_EQ(::chmod(dir.Path("a.txt").c_str(), 0440), 0);
#endif
    cryptor.KeepSource = true;
    ui.Answer("file password");
    EXPECT_EQ(cryptor.Process(Job("a.txt", true)).Outcome, FileOutcome::Done);
    EXPECT_EQ(ui.Log, (std::vector<std::string>{"prompt", "settled", "work 0", "finished, kept"}));
#if defined(_WIN32)
    EXPECT_TRUE(testplatform::IsReadOnlyFile(dir.Path("a.txt")));
#else
    struct stat st;
    ASSERT_EQ(::stat(dir.Path("a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0440u);
#endif
    EXPECT_EQ(ReadBytes(dir.Path("a.txt")), plain);
}

} // namespace
