// SPDX-License-Identifier: GPL-3.0-or-later
// TKV_PwdTable: the password database. It maps the full path of a plain file to the password that
// file was encrypted with, on disk in one file encrypted under the master password. The file is
// never kept open and the table is emptied and wiped after every operation.
#pragma once

#include "Blocks.h"
#include "IPasswordUi.h"
#include "PasswordExpiry.h"
#include "PwdEntryList.h"
#include "ResultCodes.h"
#include "TKV_MasterPass.h"
#include "TKV_Pwd.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The database file: "PT98", plain length, checksum, key check, then the IDEA-CBC body.
constexpr int kPwdDbHeaderLength = 14;
constexpr int kPwdDbKeyLength = 16;
constexpr int kPwdDbChunk = static_cast<int>(kChunkLength);

class TKV_PwdTable;
class PwdDbLock;

// A password recalled from the database for one file's decryption, sitting in the engine object.
// The engine object's own password (one the user typed for the session or the list) is kept and
// comes back in every case; the database entry is removed only by Confirm(), once the decryption
// it served has succeeded. Destroying a pending recall is Restore(). A table has at most one pending
// recall: a newly recalled password, and the table's destruction, restore it first. The engine object must
// outlive it, and its password must not be set elsewhere while a recall is pending.
class RecalledPassword
{
public:
    RecalledPassword() noexcept = default;
    RecalledPassword(RecalledPassword&& other) noexcept;
    RecalledPassword& operator=(RecalledPassword&& other) noexcept;
    RecalledPassword(const RecalledPassword&) = delete;
    RecalledPassword& operator=(const RecalledPassword&) = delete;
    ~RecalledPassword();

    // True while a recalled password sits in the engine object.
    explicit operator bool() const noexcept { return pwd_ != nullptr && !withdrawn_; }

    // The decryption succeeded: removes the entry (only if it still holds the recalled password) and
    // gives the engine object its own password back. Returns false, after showing the database error,
    // when the database could not be read or rewritten; the entry then stays. False when not pending.
    bool Confirm();
    // The decryption failed or never ran: the entry stays, the engine object gets its own password back.
    void Restore() noexcept;
    // The recalled password did not open the file: the engine object gets its own password back for
    // the user's try, and Confirm() still removes the entry if that try succeeds.
    void Withdraw() noexcept;

private:
    friend class TKV_PwdTable;
    RecalledPassword(TKV_PwdTable& table, TKV_Pwd& pwd, std::string fileName, SecretBytes scrambled);

    TKV_PwdTable* table_ = nullptr;
    TKV_Pwd* pwd_ = nullptr;
    std::string fileName_;
    SecretBytes recalled_; // scrambled, as in the engine object
    SecretBytes previous_;
    std::int32_t previousLength_ = 0;
    bool withdrawn_ = false;
};

// Whether the container of a stored name is there: the name with ".cry" (any letter case of the extension).
enum class ContainerState
{
    Present,
    Missing,
    Unknown, // the system would not tell (no permission to look into its folder): never pruned
};

// A name that has a stored password: the plain file's full path, byte for byte as stored (not
// necessarily valid UTF-8), and its container's state. Never the password.
struct StoredName
{
    std::string Name;
    ContainerState Container = ContainerState::Missing;
};

// What RemoveStoredNames and PruneStoredNames did.
struct NameRemoval
{
    std::vector<std::string> Removed;   // the names whose lines went, as stored
    std::vector<std::string> NotFound;  // names asked for that have no line
    std::vector<std::string> Unchecked; // names kept because their container's state is Unknown
};

// The state of the container of the plain file `name`.
ContainerState ContainerOf(const std::string& name);

// Whether a password can be stored now; see TKV_PwdTable::PrepareToStore.
enum class StoreReadiness
{
    Ready,
    NoMasterPassword, // the user gave none (or switched the database off)
    DatabaseFailed,   // the database error has been shown
};

class TKV_PwdTable
{
public:
    explicit TKV_PwdTable(IPasswordUi& ui);
    ~TKV_PwdTable();
    TKV_PwdTable(const TKV_PwdTable&) = delete;
    TKV_PwdTable& operator=(const TKV_PwdTable&) = delete;

    // Non-empty only inside a table operation (and after a direct LoadTable until ClearTable).
    PwdEntryList Entries;
    // The master password, the database path (Dir) and the flag that the database is used (Store).
    TKV_MasterPass Master;
    // MasterPwd_Timer and MasterPwdExpire_Button follow this; the window passes it to
    // MasterPwd_TimerTimer and SetMasterPwdExpired.
    ExpiryControls MasterPwdControls;

    // --- The database file (TKV_PwdTable_File.cpp)

    // Reads the database at Master.Dir under the master password. With ReadBody false it stops after
    // the key check (verifies a master password). 0 on success, Entries then holding the lines;
    // -2 no file there (or an empty path), -10 read failure, too short, or a plain length that does not
    // fit the body (ReadBody only), -11 wrong master password or damaged body, -12 no memory, -13 not a password
    // database, kResultTableBusy. Entries is unchanged on every failure. Caps Master.PwdLength at 16.
    int LoadTable(bool ReadBody);
    // Writes Entries to Master.Dir under the master password through a temporary file renamed over
    // the old one. Takes no lock: StorePassword and the removal of a recalled entry read, change and
    // save under the database's lock (see PwdDbLock). 0 on success; -9 cannot create (also an empty path), -12 no
    // memory, -15 a write or the final flush or rename failed, kResultTableBusy. On failure the previous database is
    // intact.
    int SaveTable();

    // --- Table operations (TKV_PwdTable.cpp)

    // Stores the password held by `pwd` for `fileName` (the plain file's full path), asking for the
    // master password first when it is not entered. False when the master password was not given
    // or storing failed (the database error has then been shown).
    bool RememberPassword(const std::string& fileName, const TKV_Pwd& pwd);

    // Recalls the password stored for `fileName` into `pwd` for its decryption (see
    // RecalledPassword). Empty, with `pwd` untouched, when Store is off (nothing is asked or read),
    // the master password was not given, nothing is stored, or the database failed (error shown).
    RecalledPassword RecallPassword(const std::string& fileName, TKV_Pwd& pwd);

    // RememberPassword without the master password prompt: adds or replaces the line of `fileName`
    // and rewrites the database, reading it anew under its lock (PwdDbLock), so that what other
    // processes stored meanwhile stays. Waits while another process holds the lock. False, with the database error
    // shown and the database unchanged, when it cannot be read or written or when the name or password cannot be stored
    // in a line (empty, or containing "=", CR, LF or NUL in the name; empty or CR, LF, NUL in the password).
    bool StorePassword(const std::string& fileName, const TKV_Pwd& pwd);
    // RecallPassword without the Store check and the prompt. Never rewrites the database.
    RecalledPassword TakePassword(const std::string& fileName, TKV_Pwd& pwd);

    // Before a file is encrypted whose password is to be stored: asks for the master password when
    // it is not entered, reads the database under it (a database not there yet is fine) and makes
    // sure a new database file can be created beside it. A store after the encryption then fails
    // only for a reason that arose meanwhile (a full disk), and the user learns of a wrong path or a
    // damaged database while the plain file is still untouched.
    StoreReadiness PrepareToStore();

    // --- Stored names (TKV_PwdTable_Names.cpp)
    // Under the master password already entered (Master.Entered; kResultWrongPassword without one),
    // never asking for it and never showing an error: the caller tells the code with FailureDetail.
    // Codes as LoadTable's (-2: no database there), and those of SaveTable for the two that write.

    // The names with a stored password, in the table's order, each once, with their containers'
    // states. A line without "=" names nothing and is left out. Reads without the lock: a save
    // replaces the whole file at once.
    int ListStoredNames(std::vector<StoredName>& names);
    // Removes every line of each of `names` (compared as a lookup compares them) and saves, reading
    // the database anew under its lock (waiting while another process holds it), so that what others
    // stored meanwhile stays. Nothing is written when no name has a line. On failure the database is
    // unchanged and `removal` tells what would have gone.
    int RemoveStoredNames(const std::vector<std::string>& names, NameRemoval& removal);
    // The same for the lines whose container is Missing; those whose state is Unknown stay.
    int PruneStoredNames(NameRemoval& removal);

    // The database's path and why the last failed operation failed, as the user reads it:
    // "/home/u/xwords.001: Permission denied".
    std::string FailureDetail() const;

    // Overwrites every line with zeros, then empties the list.
    void ClearTable() noexcept;

    // Shows the master password dialog and applies its answer to Master: Submitted enters it and
    // starts its expiry (PasswordAccepted with Expires); otherwise Entered := false, and "Do not use at
    // all" also sets Store := false. Returns Master.Entered; false when refused while busy.
    bool PromptForMasterPassword();

    // The dialog's Submit: takes `text` as the master password and checks it against an existing
    // database (LoadTable without the body). Returns that code: kResultWrongPassword means "Invalid
    // password." (the password is then forgotten); anything else accepts it, including -2 for a
    // database that does not exist yet and the codes of a damaged one, which show at the first use.
    int SubmitMasterPassword(std::string_view text);

    // True while a table operation runs.
    bool Busy() const noexcept { return busy_; }

private:
    friend class RecalledPassword;
    class Operation;

    int Load(bool readBody);
    int Save();
    bool Store(const std::string& fileName, const TKV_Pwd& pwd);
    RecalledPassword Take(const std::string& fileName, TKV_Pwd& pwd);
    bool Forget(const std::string& fileName, const SecretBytes& scrambled);
    void AskForMasterPassword();
    bool Fail();
    // Records why Load or Save gives `code`, for FailureDetail; returns `code`.
    int Failed(int code, std::string reason);
    // The same with the system's text for errno.
    int FailedWithErrno(int code);
    // Shows the database error with FailureDetail.
    void ShowError();
    // Whether a new database file can be created at Master.Dir (created and removed again).
    int CheckWritable();
    // Takes the lock that Store and Forget hold from reading the database to saving it, so that
    // processes sharing it lose no change. kResultOk, or -9 with the reason recorded.
    int LockForUpdate(PwdDbLock& lock);
    // Reads the database under its lock, lets `change` change Entries (true when it did) and saves
    // then. Entries is empty again afterwards.
    int ChangeUnderLock(const std::function<bool()>& change);

    IPasswordUi& ui_;
    RecalledPassword* pending_ = nullptr;
    bool busy_ = false;
    bool prompting_ = false;
    bool submitted_ = false;
    std::string failure_;
};
