// SPDX-License-Identifier: GPL-3.0-or-later
// kelvane-cli: the headless companion of the Kelvane window, for scripts and servers.
#include "CliArguments.h"
#include "CliPasswordUi.h"
#include "DirectoryWalk.h"
#include "FileCryptor.h"
#include "KeysCommand.h"
#include "PasswordInput.h"
#include "Progress.h"

#include "Container.h"
#include "FileSystem.h"
#include "Keys.h"
#include "PasswordLimits.h"
#include "PasswordMessages.h"
#include "PasswordText.h"
#include "ResultCodes.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"
#include "Wipe.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <strings.h>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include "WindowsConsole.h"
#endif

#ifndef KELVANE_VERSION
#define KELVANE_VERSION "unknown"
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

std::atomic<bool> g_abort{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the stop flag is set from a signal handler");

extern "C" void OnStopSignal(int)
{
    g_abort.store(true);
}

const char* const kUsage =
    "Usage:\n"
    "  kelvane-cli encrypt [--method idea|des|3xdes|0|1|2|3|4] [--password-file PATH|-] [--keep] [--force]\n"
    "                      [--keyfile DB [--master-password-file PATH|-]] [--recursive] FILE|DIR...\n"
    "  kelvane-cli decrypt [--password-file PATH|-] [--keep] [--force]\n"
    "                      [--keyfile DB [--master-password-file PATH|-]] [--recursive] FILE|DIR...\n"
    "  kelvane-cli verify [--password-file PATH|-] [--keyfile DB [--master-password-file PATH|-]] FILE.cry...\n"
    "  kelvane-cli rekey [--method idea|des|3xdes|0|1|2|3|4] [--password-file OLD|-]\n"
    "                    [--new-password-file NEW|-] [--keyfile DB [--master-password-file PATH|-]] FILE.cry...\n"
    "  kelvane-cli info FILE...\n"
    "  kelvane-cli wipe FILE...\n"
    "  kelvane-cli keys list|prune --keyfile DB [--master-password-file PATH|-]\n"
    "  kelvane-cli keys remove --keyfile DB [--master-password-file PATH|-] NAME...\n"
    "  kelvane-cli --help | --version\n";

const char* const kHelp =
    "\n"
    "encrypt  writes FILE.cry beside each FILE, then wipes FILE (unless --keep).\n"
    "         The default method is IDEA. Passwords: at least 6 characters, and at most 8 bytes\n"
    "         for DES, 16 for IDEA, 24 for 3xDES (a letter outside Windows-1252, such as a Greek\n"
    "         one, takes 2 bytes or more).\n"
    "decrypt  writes each FILE.cry back as FILE, then deletes FILE.cry (unless --keep).\n"
    "verify   deciphers each FILE.cry in memory and checks it; writes nothing. One line per file:\n"
    "         intact, wrong password, damaged, truncated, or not verified.\n"
    "rekey    gives each FILE.cry a new password (and with --method a new method; without it the\n"
    "         file keeps its own), deciphering and enciphering in memory into a new container that\n"
    "         replaces the old one only once the old one has proved intact: no plain copy is ever\n"
    "         written, and on any failure the old container stays as it was. The new password follows\n"
    "         the rules of its method and is asked twice on a terminal. With --keyfile the stored\n"
    "         password serves as the old one and the new one replaces it. A FILE.cry with other names\n"
    "         (hard links) is left alone: those names would keep the old password.\n"
    "info     shows the method, the plain size and the header length of each FILE.cry.\n"
    "wipe     overwrites each FILE once with pseudo-random bytes, then erases it. A FILE with\n"
    "         other names (hard links) is not overwritten: only this name is removed, with a note.\n"
    "keys     the password database DB, under its master password; never shows a password.\n"
    "         list: one line per file with a stored password, \"present\" or \"missing\" (its\n"
    "         FILE.cry is there or not; \"unknown\": cannot be told), a tab, the full path.\n"
    "         remove: the entries of the NAMEs (full paths as listed; a relative path is taken\n"
    "         from the current directory); a NAME without an entry is told and the others go.\n"
    "         prune: the entries whose FILE.cry is missing. Removed entries are listed.\n"
    "\n"
    "  --password-file PATH  take the password from the first line of PATH (- = standard input);\n"
    "                        without it the password is asked on the terminal\n"
    "  -r, --recursive       every file of each DIR and of all directories below it, with one\n"
    "                        password for the whole run: encrypt takes the files not ending in .cry,\n"
    "                        decrypt those ending in .cry. Links to directories are not followed.\n"
    "                        A summary of the run ends the output.\n"
    "  -j, --jobs N          work on N files at a time (default: one per core) when there are several\n"
    "                        files or a tree; messages and results are those of a run one by one.\n"
    "                        With --keyfile files go one by one.\n"
    "  --new-password-file PATH\n"
    "                        rekey: the new password from the first line of PATH (- = standard input)\n"
    "  --keep                keep the source file\n"
    "  --force               overwrite an existing target file\n"
    "  --keyfile DB          the password database: encrypt stores each file's password there,\n"
    "                        decrypt takes it from there (and asks only for files it lacks)\n"
    "  --master-password-file PATH\n"
    "                        the database's master password from the first line of PATH (- = standard\n"
    "                        input); without it the master password is asked on the terminal.\n"
    "                        A new database needs 6 characters and at most 16 bytes.\n"
    "\n"
    "An existing target is never destroyed by a failed or stopped run. Overwriting cannot\n"
    "guarantee erasure on flash memory or copy-on-write and journaling file systems.\n"
    "Exit status: 0 all files done, 1 some file failed, 2 usage error. keys: 1 also for a wrong\n"
    "master password (nothing changed) and for a NAME without an entry.\n";

// Where a worker of a parallel run keeps the messages of the file in hand, so that they are printed
// in the order a serial run prints them; null: straight to standard error.
thread_local std::string* t_messages = nullptr;

void Complain(const std::string& text)
{
    if (t_messages != nullptr) {
        *t_messages += "kelvane-cli: " + text + "\n";
        return;
    }
    std::fprintf(stderr, "kelvane-cli: %s\n", text.c_str());
}

int UsageError(const std::string& text)
{
    Complain(text);
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

// Parses the command line; returns an exit status when the program should end at once.
std::optional<int> ParseArguments(const std::vector<std::string>& args, Options& options)
{
    const CliParse parse = ParseCliArguments(args, options);
    switch (parse.Outcome) {
    case CliParseOutcome::Run:
        return std::nullopt;
    case CliParseOutcome::Help:
        std::fputs(kUsage, stdout);
        std::fputs(kHelp, stdout);
        return kExitOk;
    case CliParseOutcome::Version:
        std::printf("kelvane-cli %s\n", KELVANE_VERSION);
        return kExitOk;
    case CliParseOutcome::Usage:
        break;
    }
    return UsageError(parse.Error);
}

PasswordLimits LengthLimits(bool encrypting, int method)
{
    return encrypting ? PasswordLimits::ForEncryption(method) : PasswordLimits::ForDecryption();
}

// A password from `file` (a path or "-") or else the terminal, as `label` ("the password", "the new
// password") held to `limits`, and asked twice on the terminal when `twice`.
std::optional<SecretText> ReadPassword(const std::optional<std::string>& file, const PasswordLimits& limits,
                                       const std::string& label, bool twice)
{
    if (file) {
        std::string error;
        auto password = ReadSecretLine(*file, error, &g_abort);
        if (!password) {
            Complain(error);
            return std::nullopt;
        }
        if (const std::string problem = PasswordLengthMessage(limits.Check(password->str())); !problem.empty()) {
            Complain(problem);
            return std::nullopt;
        }
        return password;
    }
    const std::string range = limits.RangeText();
    for (int attempt = 0; attempt < 3; ++attempt) {
        auto password = AskOnTerminal("Enter " + label + " " + range + ": ", &g_abort);
        if (!password && g_abort.load()) return std::nullopt;
        if (!password) {
            Complain("no terminal to ask for " + label + "; use --" + (label == "the new password" ? "new-" : "") +
                     "password-file");
            return std::nullopt;
        }
        if (const std::string problem = PasswordLengthMessage(limits.Check(password->str())); !problem.empty()) {
            Complain(problem);
            continue;
        }
        if (twice) {
            auto again = AskOnTerminal("Reenter " + label + " for verification: ", &g_abort);
            if (!again) return std::nullopt;
            if (again->str() != password->str()) {
                Complain(kVerificationFailedMessage);
                continue;
            }
        }
        return password;
    }
    return std::nullopt;
}

std::optional<SecretText> ObtainPassword(const Options& options, bool encrypting)
{
    return ReadPassword(options.passwordFile, LengthLimits(encrypting, options.method), "the password", encrypting);
}

bool EndsWithCry(const std::string& name)
{
    return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".cry") == 0;
}

// One run of encrypt or decrypt: the engine object, the file password asked at most once, and the
// password database when --keyfile is given. What happens to each file is FileCryptor's; this class
// answers its questions on the terminal and standard error.
class CryptRun : private IFileCryptUi
{
public:
    explicit CryptRun(const Options& options)
        : options_(options), ui_(options.masterPasswordFile, &g_abort), table_(ui_), cryptor_(engine_, table_, *this)
    {
        engine_.Abort = &g_abort;
        // Without --force the target must be free when a file's turn comes; a file that appears there
        // meanwhile is kept.
        cryptor_.Overwrite = options.force ? OverwritePolicy::Replace : OverwritePolicy::Refuse;
        cryptor_.KeepSource = options.keep;
    }
    ~CryptRun() override { engine_.ClearPassword(); }

    // A worker of a parallel run: the run's password, given before any file, and no progress line
    // (several files at once would garble it).
    void UsePassword(const std::optional<SecretText>& password)
    {
        quiet_ = true;
        if (password) {
            engine_.SetPassword(password->str());
            engine_.Entered = true;
        } else {
            askedInVain_ = true;
        }
    }

    // Opens the database first when there is one; false ends the run before any file.
    bool Start()
    {
        if (!options_.keyfile) return true;
        table_.Master.Dir = DatabaseName(*options_.keyfile);
        table_.Master.Store = true;
        if (!table_.PromptForMasterPassword()) {
            if (!ui_.WrongPassword()) Complain("the password database cannot be used without its master password");
            return false;
        }
        return true;
    }

    FileOutcome Encrypt(const std::string& path)
    {
        FileJob job;
        job.Name = path;
        job.Source = path;
        job.Target = path + ".cry";
        job.Encrypting = true;
        job.Method = options_.method;
        return cryptor_.Process(job).Outcome;
    }

    FileOutcome Decrypt(const std::string& path)
    {
        if (!EndsWithCry(path)) {
            Complain(path + ": the name does not end in .cry");
            return FileOutcome::NotDone;
        }
        FileJob job;
        job.Name = path;
        job.Source = path;
        job.Target = path.substr(0, path.size() - 4);
        job.Encrypting = false;
        return cryptor_.Process(job).Outcome;
    }

private:
    // Asks for the file password the first time one is needed.
    PasswordStep ObtainPassword(const FileJob& job) override
    {
        if (engine_.Entered) return PasswordStep::Ready;
        if (askedInVain_) return PasswordStep::Skip;
        auto password = ::ObtainPassword(options_, job.Encrypting);
        if (!password) {
            askedInVain_ = true;
            return PasswordStep::Skip;
        }
        engine_.SetPassword(password->str());
        engine_.Entered = true;
        return PasswordStep::Ready;
    }

    bool StorePasswordWanted() override { return options_.keyfile.has_value(); }

    void PasswordNotStorable(const FileJob& job) override
    {
        Complain("the password database cannot take the password of " + job.Name + "; it was not encrypted");
    }

    void PasswordNotStored(const FileJob& job) override
    {
        // Without its password in the database the user may not be able to open the container later.
        Complain("the password of " + job.Name + " was not stored; " + job.Name + " was kept");
    }

    void StoredPasswordRefused(const FileJob& job) override
    {
        Complain("the password stored for " + job.Target + " does not open " + job.Source +
                 "; trying the file password");
    }

    void StoredPasswordKept(const FileJob& job) override
    {
        Complain("the password of " + job.Target + " stays in the database");
    }

    bool MayOverwrite(const FileJob&) override { return false; }

    void TargetRefused(const FileJob& job) override
    {
        Complain(job.Target + " already exists; use --force to overwrite it");
    }

    void WorkStarting(const FileJob& job) override
    {
        if (quiet_) return;
        progress_.Start(job.Source, GetFileSize(job.Source));
        engine_.ProcessMessages = [this] { progress_.Update(engine_.BlocksDone, engine_.BlocksTotal); };
    }

    void WorkEnded(const FileJob&, int) override
    {
        if (quiet_) return;
        engine_.ProcessMessages = nullptr;
        progress_.Finish();
    }

    void RemovalEnded(const std::string& path, int result) override
    {
        // The encryption succeeded; the note only tells where the plain data still is.
        if (result == kResultRemovedNotWiped) Complain(EngineErrorMessage(result, path));
    }

    void SourceNotRemoved(const FileJob& job, const std::string& reason) override
    {
        if (job.Encrypting)
            Complain(job.Source + " was encrypted into " + job.Target + ", but wiping it failed; it is still there");
        else
            Complain(job.Source + " was decrypted into " + job.Target + ", but deleting it failed: " + reason);
    }

    void SourceMissing(const FileJob& job) override
    {
        Complain(EngineErrorMessage(kResultCannotOpen, job.Name, false));
    }

    void EngineError(int code, const std::string& subject) override
    {
        Complain(EngineErrorMessage(code, subject, false));
    }

    const Options& options_;
    TKV_Pwd engine_;
    CliPasswordUi ui_;
    TKV_PwdTable table_;
    FileCryptor cryptor_;
    ProgressLine progress_;
    bool askedInVain_ = false;
    bool quiet_ = false;
};

// One run of verify or rekey: the old password asked at most once (or each file's stored one with
// --keyfile), for rekey the new one too; FileCryptor checks or rekeys each container.
class CheckRun : private IFileCryptUi
{
public:
    explicit CheckRun(const Options& options)
        : options_(options), ui_(options.masterPasswordFile, &g_abort), table_(ui_), cryptor_(engine_, table_, *this)
    {
        engine_.Abort = &g_abort;
    }
    ~CheckRun() override { engine_.ClearPassword(); }

    bool Start()
    {
        if (!options_.keyfile) return true;
        table_.Master.Dir = DatabaseName(*options_.keyfile);
        table_.Master.Store = true;
        if (!table_.PromptForMasterPassword()) {
            if (!ui_.WrongPassword()) Complain("the password database cannot be used without its master password");
            return false;
        }
        return true;
    }

    // Works on one container and prints its line; false when the run is to end.
    bool Check(const std::string& path, bool& failed)
    {
        const bool rekey = options_.command == "rekey";
        FileResult result;
        if (!EndsWithCry(path)) {
            Complain(path + ": the name does not end in .cry");
        } else {
            FileJob job;
            job.Name = path;
            job.Source = path;
            job.Target = path.substr(0, path.size() - 4);
            job.Encrypting = false;
            job.Kind = rekey ? FileJob::Check::Rekey : FileJob::Check::Verify;
            result = rekey ? cryptor_.Rekey(job) : cryptor_.Verify(job);
        }
        const bool ran = result.EngineResult != kResultOk || result.Outcome != FileOutcome::NotDone;
        std::string state = rekey ? "unchanged" : "not verified";
        if (result.Outcome == FileOutcome::Done || result.Outcome == FileOutcome::DoneSourceKept) {
            state = rekey ? std::string("new password, ") + MethodName(newMethod_) : "intact";
        } else if (ran && !rekey) {
            switch (result.EngineResult) {
            case kResultWrongPassword:
                state = "wrong password";
                break;
            case kResultDamaged:
                state = "damaged";
                break;
            case kResultTruncated:
                state = "truncated";
                break;
            default:
                break;
            }
        }
        std::printf("%s: %s\n", path.c_str(), state.c_str());
        std::fflush(stdout);
        if (result.Outcome != FileOutcome::Done) failed = true;
        return result.Outcome != FileOutcome::EndRun;
    }

private:
    PasswordStep ObtainPassword(const FileJob&) override
    {
        if (engine_.Entered) return PasswordStep::Ready;
        if (askedInVain_) return PasswordStep::Skip;
        const bool rekey = options_.command == "rekey";
        auto password = ReadPassword(options_.passwordFile, PasswordLimits::ForDecryption(),
                                     rekey ? "the old password" : "the password", false);
        if (!password) {
            askedInVain_ = true;
            return PasswordStep::Skip;
        }
        engine_.SetPassword(password->str());
        engine_.Entered = true;
        return PasswordStep::Ready;
    }

    PasswordStep ObtainNewPassword(FileJob& job, TKV_Pwd& fresh) override
    {
        // Without --method each container keeps its own, and the password must suit it.
        job.Method = options_.methodGiven ? options_.method : ReadContainerInfo(job.Source).method;
        if (job.Method < 0) {
            Complain(EngineErrorMessage(kResultNotEncrypted, job.Name, false));
            return PasswordStep::Skip;
        }
        if (!newPassword_) {
            if (newAskedInVain_) return PasswordStep::Skip;
            // Asked once for the run, under the rule of the method asked for (the widest without one).
            newPassword_ = ReadPassword(options_.newPasswordFile,
                                        PasswordLimits::ForEncryption(options_.methodGiven ? options_.method : -1),
                                        "the new password", true);
            if (!newPassword_) {
                newAskedInVain_ = true;
                return PasswordStep::Skip;
            }
        }
        const std::string problem =
            PasswordLengthMessage(PasswordLimits::ForEncryption(job.Method).Check(newPassword_->str()));
        if (!problem.empty()) {
            Complain(job.Name + " (" + MethodName(job.Method) + "): " + problem);
            return PasswordStep::Skip;
        }
        fresh.SetPassword(newPassword_->str());
        newMethod_ = job.Method;
        return PasswordStep::Ready;
    }

    bool StorePasswordWanted() override { return options_.keyfile.has_value(); }

    void PasswordNotStorable(const FileJob& job) override
    {
        Complain("the password database cannot take the new password of " + job.Name + "; it was left as it was");
    }
    void PasswordNotStored(const FileJob&) override {}
    void NewPasswordNotStored(const FileJob& job) override
    {
        Complain(job.Name + " has its new password, but the database could not take it: it still holds the old one");
    }
    void StoredPasswordRefused(const FileJob& job) override
    {
        Complain("the password stored for " + job.Target + " does not open " + job.Source +
                 "; trying the file password");
    }

    bool MayOverwrite(const FileJob&) override { return false; }
    void TargetRefused(const FileJob&) override {}

    void WorkStarting(const FileJob& job) override
    {
        progress_.Start(job.Source, GetFileSize(job.Source));
        engine_.ProcessMessages = [this] { progress_.Update(engine_.BlocksDone, engine_.BlocksTotal); };
    }
    void WorkEnded(const FileJob&, int) override
    {
        engine_.ProcessMessages = nullptr;
        progress_.Finish();
    }

    void CheckEnded(const FileJob& job, int code) override
    {
        if (code != kResultOk) Complain(EngineErrorMessage(code, job.Name, false));
    }

    void SourceNotRemoved(const FileJob&, const std::string&) override {}
    void SourceMissing(const FileJob& job) override
    {
        Complain(EngineErrorMessage(kResultCannotOpen, job.Name, false));
    }
    void EngineError(int code, const std::string& subject) override
    {
        Complain(EngineErrorMessage(code, subject, false));
    }

    const Options& options_;
    TKV_Pwd engine_;
    CliPasswordUi ui_;
    TKV_PwdTable table_;
    FileCryptor cryptor_;
    ProgressLine progress_;
    std::optional<SecretText> newPassword_;
    int newMethod_ = kMethodIdea;
    bool askedInVain_ = false;
    bool newAskedInVain_ = false;
};

bool IsDirectory(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(PathFromUtf8(path), error);
}

// What a recursive run did, for its summary.
struct Tally
{
    long long done = 0;
    long long failed = 0;
    long long skipped = 0;
    long long bytes = 0;
    long long unreadable = 0;
};

// Counts one file's outcome; false when the run is to end.
bool Count(Tally& tally, FileOutcome outcome, long long size)
{
    if (outcome == FileOutcome::Done) {
        ++tally.done;
        tally.bytes += size;
    } else {
        // A container whose source stayed (or whose password was not stored) is not what was asked for.
        ++tally.failed;
    }
    return outcome != FileOutcome::EndRun;
}

// The files of a directory tree, walked as the window's Encrypt All and Decrypt All walk it.
class TreeRun : public WalkVisitor
{
public:
    TreeRun(CryptRun& run, bool encrypting, Tally& tally) : run_(run), encrypting_(encrypting), tally_(tally) {}

    bool Ended() const { return ended_; }

    WalkStep Visit(const WalkDirectory& directory) override
    {
        for (const std::string& name : directory.Files) {
            if (g_abort.load()) return Stop(JoinPath(directory.Path, name));
            // A container is not encrypted again; a plain file has nothing to decrypt.
            if (EndsWithCry(name) == encrypting_) {
                ++tally_.skipped;
                continue;
            }
            const std::string path = JoinPath(directory.Path, name);
            const long long size = GetFileSize(path);
            if (!Count(tally_, encrypting_ ? run_.Encrypt(path) : run_.Decrypt(path), size)) {
                ended_ = true;
                return WalkStep::Stop;
            }
        }
        return WalkStep::Continue;
    }

    bool Stopped() override { return g_abort.load() && Stop("the next directory") == WalkStep::Stop; }

    void Unreadable(const std::string& path, const std::string& reason) override
    {
        Complain(path + ": cannot read the directory: " + reason);
        ++tally_.unreadable;
    }

    void LinkNotFollowed(const std::string& path) override
    {
        Complain(path + ": a link to a directory (or a directory met again), not followed");
        ++tally_.skipped;
    }

private:
    WalkStep Stop(const std::string& where)
    {
        if (!ended_) Complain("stopped; " + where + " and what follows it were not processed");
        ended_ = true;
        return WalkStep::Stop;
    }

    CryptRun& run_;
    bool encrypting_;
    Tally& tally_;
    bool ended_ = false;
};

void PrintSummary(const Tally& tally, bool encrypting, double seconds)
{
    std::printf("%lld file%s %s, %lld failed, %lld skipped, %lld bytes, %.2f s", tally.done, tally.done == 1 ? "" : "s",
                encrypting ? "encrypted" : "decrypted", tally.failed, tally.skipped, tally.bytes, seconds);
    if (tally.unreadable > 0)
        std::printf(", %lld director%s not read", tally.unreadable, tally.unreadable == 1 ? "y" : "ies");
    std::printf("\n");
}

// ---- Several files at a time (--jobs)

// One step of a parallel run, in the order a serial run takes it: a file to work on, or a note of the
// walk (a link not followed, a directory not read, a file passed over) counted as a serial run counts it.
struct PlanItem
{
    enum class Count
    {
        None,
        Skipped,
        Failed,
        Unreadable
    };
    bool work = false;
    std::string path;
    std::string note;
    Count count = Count::None;
    // Filled in by the worker that took the file.
    long long size = 0;
    FileOutcome outcome = FileOutcome::NotDone;
    std::string messages;
    bool started = false;
    bool finished = false;
};

// Lists the whole run first, as the walk would meet it; each directory is still listed before any of
// its files is worked on.
class PlanWalk : public WalkVisitor
{
public:
    PlanWalk(bool encrypting, std::vector<PlanItem>& items) : encrypting_(encrypting), items_(items) {}

    WalkStep Visit(const WalkDirectory& directory) override
    {
        for (const std::string& name : directory.Files) {
            PlanItem item;
            item.path = JoinPath(directory.Path, name);
            if (EndsWithCry(name) == encrypting_)
                item.count = PlanItem::Count::Skipped;
            else
                item.work = true;
            items_.push_back(std::move(item));
        }
        return WalkStep::Continue;
    }
    void Unreadable(const std::string& path, const std::string& reason) override
    {
        Note(path + ": cannot read the directory: " + reason, PlanItem::Count::Unreadable);
    }
    void LinkNotFollowed(const std::string& path) override
    {
        Note(path + ": a link to a directory (or a directory met again), not followed", PlanItem::Count::Skipped);
    }
    void Note(const std::string& text, PlanItem::Count count)
    {
        PlanItem item;
        item.note = text;
        item.count = count;
        items_.push_back(std::move(item));
    }

private:
    bool encrypting_;
    std::vector<PlanItem>& items_;
};

int RunCryptParallel(const Options& options, std::chrono::steady_clock::time_point started)
{
    const bool encrypting = options.command == "encrypt";
    std::vector<PlanItem> items;
    PlanWalk plan(encrypting, items);
    for (const std::string& path : options.files) {
        if (!IsDirectory(path)) {
            PlanItem item;
            item.work = true;
            item.path = path;
            items.push_back(std::move(item));
        } else if (!options.recursive) {
            plan.Note(path + " is a directory; use --recursive to process the files in it", PlanItem::Count::Failed);
        } else {
            WalkDirectories(path, true, plan);
        }
    }

    // One password for the run, asked before the first file, since the workers cannot ask.
    std::optional<SecretText> password;
    if (std::any_of(items.begin(), items.end(), [](const PlanItem& item) { return item.work; }))
        password = ObtainPassword(options, encrypting);

    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0;
    auto worker = [&] {
        CryptRun run(options);
        run.UsePassword(password);
        for (;;) {
            PlanItem* item = nullptr;
            {
                std::lock_guard<std::mutex> lock(mutex);
                while (next < items.size() && !items[next].work)
                    ++next;
                if (next == items.size() || g_abort.load()) return;
                item = &items[next++];
                item->started = true;
            }
            item->size = GetFileSize(item->path);
            t_messages = &item->messages;
            item->outcome = encrypting ? run.Encrypt(item->path) : run.Decrypt(item->path);
            t_messages = nullptr;
            {
                std::lock_guard<std::mutex> lock(mutex);
                item->finished = true;
            }
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (int i = 0; i < options.jobs; ++i)
        workers.emplace_back(worker);

    // Everything is told in the order of a serial run, each file's messages once it is over.
    Tally tally;
    for (PlanItem& item : items) {
        if (!item.work) {
            if (!item.note.empty()) Complain(item.note);
            if (item.count == PlanItem::Count::Skipped) ++tally.skipped;
            if (item.count == PlanItem::Count::Failed) ++tally.failed;
            if (item.count == PlanItem::Count::Unreadable) ++tally.unreadable;
            continue;
        }
        std::unique_lock<std::mutex> lock(mutex);
        // Polled as well: Ctrl-C sets the stop flag without waking anyone.
        while (!item.finished && !(!item.started && (g_abort.load() || next == items.size())))
            changed.wait_for(lock, std::chrono::milliseconds(100));
        if (!item.finished) {
            Complain("stopped; " + item.path + " and what follows it were not processed");
            break;
        }
        lock.unlock();
        std::fputs(item.messages.c_str(), stderr);
        Count(tally, item.outcome, item.size);
    }
    for (std::thread& thread : workers)
        thread.join();

    if (options.recursive) {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
        PrintSummary(tally, encrypting, elapsed.count());
    }
    return tally.failed > 0 || tally.unreadable > 0 || g_abort.load() ? kExitFailed : kExitOk;
}

int RunCrypt(const Options& options)
{
    const bool encrypting = options.command == "encrypt";
    const auto started = std::chrono::steady_clock::now();
    // The database is read and written one file at a time.
    // A single file keeps its progress line, which only a run one by one draws.
    const bool several = options.recursive || options.files.size() > 1;
    if (options.jobs > 1 && several && !options.keyfile) return RunCryptParallel(options, started);
    CryptRun run(options);
    if (!run.Start()) return kExitFailed;

    Tally tally;
    bool ended = false;
    for (std::size_t i = 0; i < options.files.size() && !ended; ++i) {
        const std::string& path = options.files[i];
        if (g_abort.load()) {
            Complain("stopped; " + path + " and the files after it were not processed");
            ended = true;
            ++tally.failed;
            break;
        }
        if (IsDirectory(path)) {
            if (!options.recursive) {
                Complain(path + " is a directory; use --recursive to process the files in it");
                ++tally.failed;
                continue;
            }
            TreeRun tree(run, encrypting, tally);
            WalkDirectories(path, true, tree);
            ended = tree.Ended();
        } else {
            const long long size = GetFileSize(path);
            ended = !Count(tally, encrypting ? run.Encrypt(path) : run.Decrypt(path), size);
        }
        if (ended && i + 1 < options.files.size() && !g_abort.load())
            Complain(options.files[i + 1] + " and the files after it were not processed");
    }
    if (options.recursive) {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
        PrintSummary(tally, encrypting, elapsed.count());
    }
    return tally.failed > 0 || tally.unreadable > 0 || g_abort.load() ? kExitFailed : kExitOk;
}

int RunChecks(const Options& options)
{
    CheckRun run(options);
    if (!run.Start()) return kExitFailed;
    bool failed = false;
    for (std::size_t i = 0; i < options.files.size(); ++i) {
        const std::string& path = options.files[i];
        if (g_abort.load()) {
            Complain("stopped; " + path + " and the files after it were not processed");
            return kExitFailed;
        }
        if (IsDirectory(path)) {
            Complain(path + " is a directory; name its .cry files");
            failed = true;
            continue;
        }
        if (!run.Check(path, failed)) {
            if (i + 1 < options.files.size())
                Complain(options.files[i + 1] + " and the files after it were not processed");
            return kExitFailed;
        }
    }
    return failed || g_abort.load() ? kExitFailed : kExitOk;
}

int RunInfo(const Options& options)
{
    int status = kExitOk;
    for (const std::string& path : options.files) {
        const ContainerInfo info = ReadContainerInfo(path);
        if (!info.readable) {
            std::printf("%s: %s, header unreadable\n", path.c_str(), info.tag);
            status = kExitFailed;
        } else if (info.method < 0) {
            std::printf("%s: -, not an encrypted file\n", path.c_str());
            status = kExitFailed;
        } else {
            std::printf("%s: %s, %ld bytes plain, header %d bytes\n", path.c_str(), info.tag,
                        static_cast<long>(info.plainSize), info.headerLength);
        }
    }
    return status;
}

int RunWipe(const Options& options)
{
    int status = kExitOk;
    for (const std::string& path : options.files) {
        const FileKind kind = GetFileKind(path);
        if (kind == FileKind::Missing) {
            Complain(path + ": no such file");
            status = kExitFailed;
        } else if (kind != FileKind::Regular) {
            Complain(EngineErrorMessage(kResultNotRegularFile, path));
            status = kExitFailed;
        } else if (const int wiped = WipeFile(path); wiped == kResultRemovedNotWiped) {
            Complain(EngineErrorMessage(wiped, path));
        } else if (wiped != kResultOk) {
            Complain("wiping " + path + " failed");
            status = kExitFailed;
        }
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
#if defined(_WIN32)
    // argv holds the names in the ANSI code page; the UTF-16 command line holds them all.
    const std::vector<std::string> args = Utf8Arguments();
    UseUtf8Console();
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    static_cast<void>(argc);
    static_cast<void>(argv);
    if (const auto exitNow = ParseArguments(args, options)) return *exitNow;
#else
    if (const auto exitNow = ParseArguments(std::vector<std::string>(argv + 1, argv + argc), options)) return *exitNow;

    struct sigaction action
    {
    };
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    // Past a file-size limit a write then fails (EFBIG) and is reported like a full disk, instead of
    // the signal killing the program in the middle of a file.
    std::signal(SIGXFSZ, SIG_IGN);
#endif

    if (options.command == "info") return RunInfo(options);
    if (options.command == "wipe") return RunWipe(options);
    if (options.command == "verify" || options.command == "rekey") return RunChecks(options);
    if (options.command == "keys") return RunKeys(options, &g_abort);
    return RunCrypt(options);
}
