// SPDX-License-Identifier: GPL-3.0-or-later
// What happens to one file, the same in the window and in kelvane-cli: its password (recalled from
// the database, or asked for), the encryption or decryption, the stored password kept in step with
// the container, and the wipe or removal of the source. The user is reached through IFileCryptUi.
#pragma once

#include <functional>
#include <string>

class TKV_Pwd;
class TKV_PwdTable;

// One file's work. Paths are file-system paths (bytes as the system takes them).
struct FileJob
{
    std::string Name; // how messages name the file: a list entry, or the path as given
    std::string Source;
    std::string Target;
    bool Encrypting = true;
    int Method = 0; // encryption, and the new method of a rekey
    // A container checked (Source; Target is the plain name it stands for, which its stored password
    // is kept under) or given a new password, rather than encrypted or decrypted. Encrypting is false.
    enum class Check
    {
        None,
        Verify,
        Rekey,
    };
    Check Kind = Check::None;
};

// The answer of a password prompt.
enum class PasswordStep
{
    Ready,     // the engine object holds the password for this file
    Skip,      // leave this file alone
    CancelAll, // leave this file and the rest of the run
};

// What an existing target gets when nobody asks the user.
enum class OverwritePolicy
{
    Ask,     // IFileCryptUi::MayOverwrite decides, once the password is known
    Replace, // replaced without a question
    Refuse,  // the file is refused before its password is asked for
};

enum class FileOutcome
{
    Done,           // the target is in place and the source is gone (or kept on request)
    DoneSourceKept, // the target is in place, but the source stays; the user was told why
    NotDone,        // refused, declined, skipped or failed; the user was told if there was anything to tell
    EndRun,         // not done, and the run should stop here (the user cancelled it, or the database cannot
                    // take the password)
};

struct FileResult
{
    FileOutcome Outcome = FileOutcome::NotDone;
    int EngineResult = 0; // of the last engine run; 0 also when the engine never ran
    bool TargetExisted = false;

    bool TargetWritten() const noexcept
    {
        return Outcome == FileOutcome::Done || Outcome == FileOutcome::DoneSourceKept;
    }
};

class IFileCryptUi
{
public:
    virtual ~IFileCryptUi() = default;

    // A password for the file, put into the engine object; a password already held for the run may
    // serve without asking.
    virtual PasswordStep ObtainPassword(const FileJob& job) = 0;
    // The password is settled and the work on the file begins.
    virtual void PasswordSettled(const FileJob&) {}
    // Asked after ObtainPassword of an encryption: whether the password goes into the database.
    virtual bool StorePasswordWanted() = 0;
    // The database is about to be written for the first time in this file's work.
    virtual void DatabaseWillBeWritten() {}
    // After every request to the password table (which may have asked for the master password).
    virtual void AfterDatabaseRequest() {}
    // The database cannot take the password, so the file was not encrypted.
    virtual void PasswordNotStorable(const FileJob& job) = 0;
    // The container is in place, but its password could not be stored: the plain file stays.
    virtual void PasswordNotStored(const FileJob& job) = 0;
    // The stored password does not open the file; the user's password is tried next.
    virtual void StoredPasswordRefused(const FileJob&) {}
    // The file is back, but the entry of its stored password could not be removed.
    virtual void StoredPasswordKept(const FileJob&) {}

    // The target exists (OverwritePolicy::Ask): true lets the work replace it.
    virtual bool MayOverwrite(const FileJob& job) = 0;
    // The target exists (OverwritePolicy::Refuse).
    virtual void TargetRefused(const FileJob& job) = 0;

    virtual void WorkStarting(const FileJob&) {}
    virtual void WorkEnded(const FileJob&, int /*engineResult*/) {}
    // The target is in place; `replaced`: a file of that name stood there before.
    virtual void TargetInPlace(const FileJob&, bool /*replaced*/) {}
    // The source is about to be wiped (plain files) or deleted (containers), and when that ended with
    // kResultOk, kResultRemovedNotWiped (only this name of a file with other names went) or a failure.
    virtual void Removing(const std::string& /*path*/, bool /*wiping*/) {}
    virtual void RemovalEnded(const std::string& /*path*/, int /*result*/) {}
    // `reason`: the system's words when a deletion failed; empty for a failed wipe.
    virtual void SourceNotRemoved(const FileJob& job, const std::string& reason) = 0;
    // The work on the file is over (called for every outcome but NotDone and EndRun); `sourceKept`:
    // the source is still there.
    virtual void Finished(const FileJob&, bool /*sourceKept*/) {}

    // Rekey: the new password into `fresh` (Password and PwdLength) for the container's new method in
    // job.Method, which the answer may change.
    virtual PasswordStep ObtainNewPassword(FileJob&, TKV_Pwd& /*fresh*/) { return PasswordStep::Skip; }
    // Verify and rekey: the engine's result for the container, told instead of EngineError (a wrong
    // stored password is not told: the user's password is tried next).
    virtual void CheckEnded(const FileJob&, int /*engineResult*/) {}
    // The container has its new password, but the database still holds the old one.
    virtual void NewPasswordNotStored(const FileJob&) {}

    virtual void SourceMissing(const FileJob& job) = 0;
    // A non-zero engine result, with the name its message is about.
    virtual void EngineError(int code, const std::string& subject) = 0;
};

class FileCryptor
{
public:
    FileCryptor(TKV_Pwd& engine, TKV_PwdTable& table, IFileCryptUi& ui) noexcept
        : engine_(engine), table_(table), ui_(ui)
    {
    }

    OverwritePolicy Overwrite = OverwritePolicy::Ask;
    // The source stays after the work (kelvane-cli --keep).
    bool KeepSource = false;
    // Tests make the wipe fail through this; null: WipeFile.
    std::function<int(const std::string& path)> WipeOverride;

    // The whole of one file: its password, the work, a stored password kept in step.
    FileResult Process(const FileJob& job);

    // The work with the password the engine object holds: the overwrite question, the engine, the
    // target's attributes, then the source wiped or removed.
    struct WorkOptions
    {
        bool StoredPassword = false; // a wrong-password result is not shown: the caller asks the user
        bool OverwriteAgreed = false;
        bool StorePassword = false; // stored once the container is in place; without it the plain file stays
    };
    FileResult Work(const FileJob& job, const WorkOptions& options);

    // Checks the container job.Source with its stored password, else the user's (ObtainPassword). Writes
    // nothing; the result is told through CheckEnded. Outcome Done when it is intact.
    FileResult Verify(const FileJob& job);
    // Gives the container job.Source a new password and method (ObtainNewPassword) after its old one
    // (stored, else ObtainPassword); no plain byte is written. The stored password is replaced after
    // success when the file had one or the user wants it stored.
    FileResult Rekey(FileJob job);

    // Wipes (wipe true and a regular file) or deletes the file at `path`: kResultOk,
    // kResultRemovedNotWiped when a file with other names lost only this name, else a failure code.
    // Anything but a regular file is removed itself, never wiped through.
    int RemoveOrWipe(const std::string& path, bool wipe) const;

    // True when `job.Source` is a regular file; otherwise the user is told that it is missing or is no
    // regular file (a link, pipe or device).
    bool SourceUsable(const FileJob& job) const;

private:
    FileResult ProcessEncryption(const FileJob& job);
    FileResult ProcessDecryption(const FileJob& job);
    // The engine's check or rekey of a container with the password the engine object holds.
    int RunCheck(const FileJob& job, const TKV_Pwd* fresh);

    TKV_Pwd& engine_;
    TKV_PwdTable& table_;
    IFileCryptUi& ui_;
    mutable std::string removalError_;
};

// The database key of a plain file: its absolute, normalized path.
std::string DatabaseName(const std::string& plainPath);
