// SPDX-License-Identifier: GPL-3.0-or-later
// kelvane-cli: the headless companion of the Kelvane window, for scripts and servers.
#include "CliPasswordUi.h"
#include "PasswordInput.h"
#include "Progress.h"

#include "Container.h"
#include "FileSystem.h"
#include "Keys.h"
#include "PasswordLimits.h"
#include "PasswordText.h"
#include "ResultCodes.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"
#include "Wipe.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <strings.h>
#include <unistd.h>
#include <vector>

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
    "                      [--keyfile DB [--master-password-file PATH|-]] FILE...\n"
    "  kelvane-cli decrypt [--password-file PATH|-] [--keep] [--force]\n"
    "                      [--keyfile DB [--master-password-file PATH|-]] FILE...\n"
    "  kelvane-cli info FILE...\n"
    "  kelvane-cli wipe FILE...\n"
    "  kelvane-cli --help | --version\n";

const char* const kHelp =
    "\n"
    "encrypt  writes FILE.cry beside each FILE, then wipes FILE (unless --keep).\n"
    "         The default method is IDEA. Passwords: at least 6 characters, and at most 8 bytes\n"
    "         for DES, 16 for IDEA, 24 for 3xDES (a letter outside Windows-1252, such as a Greek\n"
    "         one, takes 2 bytes or more).\n"
    "decrypt  writes each FILE.cry back as FILE, then deletes FILE.cry (unless --keep).\n"
    "info     shows the method, the plain size and the header length of each FILE.cry.\n"
    "wipe     overwrites each FILE once with pseudo-random bytes, then erases it. A FILE with\n"
    "         other names (hard links) is not overwritten: only this name is removed, with a note.\n"
    "\n"
    "  --password-file PATH  take the password from the first line of PATH (- = standard input);\n"
    "                        without it the password is asked on the terminal\n"
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
    "Exit status: 0 all files done, 1 some file failed, 2 usage error.\n";

struct Options
{
    std::string command;
    int method = kMethodIdea;
    std::optional<std::string> passwordFile;
    bool keep = false;
    bool force = false;
    std::optional<std::string> keyfile;
    std::optional<std::string> masterPasswordFile;
    std::vector<std::string> files;
};

void Complain(const std::string& text)
{
    std::fprintf(stderr, "kelvane-cli: %s\n", text.c_str());
}

int UsageError(const std::string& text)
{
    Complain(text);
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

std::optional<int> ParseMethod(const std::string& text)
{
    if (strcasecmp(text.c_str(), "idea") == 0) return kMethodIdea;
    if (strcasecmp(text.c_str(), "des") == 0) return kMethodDes;
    if (strcasecmp(text.c_str(), "3xdes") == 0) return kMethodTripleDes;
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '4') return text[0] - '0';
    return std::nullopt;
}

// Parses the command line; returns an exit status when the program should end at once.
std::optional<int> ParseArguments(int argc, char** argv, Options& options)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return UsageError("no command given");
    if (args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, stdout);
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (args[0] == "--version") {
        std::printf("kelvane-cli %s\n", KELVANE_VERSION);
        return kExitOk;
    }
    options.command = args[0];
    if (options.command != "encrypt" && options.command != "decrypt" && options.command != "info" &&
        options.command != "wipe")
        return UsageError("unknown command '" + options.command + "'");

    const bool crypts = options.command == "encrypt" || options.command == "decrypt";
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            options.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string value;
        bool hasValue = false;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasValue = true;
        }
        auto takeValue = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= args.size()) return false;
            value = args[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return kExitOk;
        } else if (arg == "--method" && options.command == "encrypt") {
            if (!takeValue()) return UsageError("--method needs a value");
            const auto method = ParseMethod(value);
            if (!method) return UsageError("unknown method '" + value + "' (idea, des, 3xdes or 0-4)");
            options.method = *method;
        } else if (arg == "--password-file" && crypts) {
            if (!takeValue()) return UsageError("--password-file needs a path");
            options.passwordFile = value;
        } else if (arg == "--keyfile" && crypts) {
            if (!takeValue()) return UsageError("--keyfile needs a path");
            options.keyfile = value;
        } else if (arg == "--master-password-file" && crypts) {
            if (!takeValue()) return UsageError("--master-password-file needs a path");
            options.masterPasswordFile = value;
        } else if (arg == "--keep" && crypts && !hasValue) {
            options.keep = true;
        } else if (arg == "--force" && crypts && !hasValue) {
            options.force = true;
        } else {
            return UsageError("unknown option '" + args[i] + "' for " + options.command);
        }
    }
    if (options.files.empty()) return UsageError("no file given");
    if (options.masterPasswordFile && !options.keyfile) return UsageError("--master-password-file needs --keyfile");
    if (options.passwordFile && options.masterPasswordFile && *options.passwordFile == "-" &&
        *options.masterPasswordFile == "-")
        return UsageError("standard input can give only one of the two passwords");
    return std::nullopt;
}

PasswordLimits LengthLimits(bool encrypting, int method)
{
    return encrypting ? PasswordLimits::ForEncryption(method) : PasswordLimits::ForDecryption();
}

// The prompts' length rules: at least 6 characters, at most as many key bytes as the method uses;
// an empty string when the password is acceptable.
std::string CheckLength(const std::string& password, bool encrypting, int method)
{
    switch (LengthLimits(encrypting, method).Check(password)) {
    case PasswordLengthCheck::TooFew:
        return "Too few characters in password.";
    case PasswordLengthCheck::TooMany:
        return "Too many characters in password.";
    case PasswordLengthCheck::Ok:
        break;
    }
    return {};
}

std::optional<SecretText> ObtainPassword(const Options& options, bool encrypting)
{
    if (options.passwordFile) {
        std::string error;
        auto password = ReadSecretLine(*options.passwordFile, error, &g_abort);
        if (!password) {
            Complain(error);
            return std::nullopt;
        }
        if (const std::string problem = CheckLength(password->str(), encrypting, options.method); !problem.empty()) {
            Complain(problem);
            return std::nullopt;
        }
        return password;
    }
    const std::string range = LengthLimits(encrypting, options.method).RangeText();
    for (int attempt = 0; attempt < 3; ++attempt) {
        auto password = AskOnTerminal("Enter the password " + range + ": ", &g_abort);
        if (!password && g_abort.load()) return std::nullopt;
        if (!password) {
            Complain("no terminal to ask for the password; use --password-file");
            return std::nullopt;
        }
        if (const std::string problem = CheckLength(password->str(), encrypting, options.method); !problem.empty()) {
            Complain(problem);
            continue;
        }
        if (encrypting) {
            auto again = AskOnTerminal("Reenter the password for verification: ", &g_abort);
            if (!again) return std::nullopt;
            if (again->str() != password->str()) {
                Complain("Verification failed.");
                continue;
            }
        }
        return password;
    }
    return std::nullopt;
}

bool EndsWithCry(const std::string& name)
{
    return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".cry") == 0;
}

// The database key of a plain file: its absolute, normalized path.
std::string DatabaseName(const std::string& plainPath)
{
    std::error_code error;
    const auto absolute = std::filesystem::absolute(plainPath, error);
    return (error ? std::filesystem::path(plainPath) : absolute).lexically_normal().string();
}

// One run of encrypt or decrypt: the engine object, the file password asked at most once, and the
// password database when --keyfile is given.
class CryptRun
{
public:
    explicit CryptRun(const Options& options)
        : options_(options), ui_(options.masterPasswordFile, &g_abort), table_(ui_)
    {
        engine_.Abort = &g_abort;
    }
    ~CryptRun() { engine_.ClearPassword(); }

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

    bool Encrypt(const std::string& path)
    {
        const std::string target = path + ".cry";
        if (!options_.force && GetFileKind(target) != FileKind::Missing) {
            Complain(target + " already exists; use --force to overwrite it");
            return false;
        }
        if (!HaveFilePassword(true)) return false;
        const FileAttributes attributes = GetFileAttributes(path);
        const int result = RunEngine(path, true);
        if (result != kResultOk) {
            Complain(EngineErrorMessage(result, result == kResultTargetAppeared ? target : path, false));
            return false;
        }
        SetFileAttributes(target, attributes);
        // Without its password in the database the user may not be able to open the container
        // later, so the plain file stays until it is stored.
        if (options_.keyfile && !table_.RememberPassword(DatabaseName(path), engine_)) {
            Complain("the password of " + path + " was not stored; " + path + " was kept");
            return false;
        }
        if (options_.keep) return true;
        // What is wiped must be the file that was encrypted, as it was read.
        if (!SourceStillAsRead(path)) return false;
        const int wiped = WipeFile(path);
        if (wiped == kResultRemovedNotWiped) {
            // The encryption succeeded; the note only tells where the plain data still is.
            Complain(EngineErrorMessage(wiped, path));
        } else if (wiped != kResultOk) {
            Complain(path + " was encrypted into " + target + ", but wiping it failed; it is still there");
            return false;
        }
        return true;
    }

    bool Decrypt(const std::string& path)
    {
        if (!EndsWithCry(path)) {
            Complain(path + ": the name does not end in .cry");
            return false;
        }
        const std::string target = path.substr(0, path.size() - 4);
        if (!options_.force && GetFileKind(target) != FileKind::Missing) {
            Complain(target + " already exists; use --force to overwrite it");
            return false;
        }
        RecalledPassword recalled;
        if (options_.keyfile) recalled = table_.RecallPassword(DatabaseName(target), engine_);
        if (!recalled && !HaveFilePassword(false)) return false;
        const FileAttributes attributes = GetFileAttributes(path);
        const bool stored = static_cast<bool>(recalled);
        int result = RunEngine(path, false);
        if (result == kResultWrongPassword && stored) {
            // A stale entry (an older database, a container replaced since) must not lock the file:
            // the file password is tried, and the entry goes once that opens it.
            recalled.Withdraw();
            Complain("the password stored for " + target + " does not open " + path + "; trying the file password");
            if (HaveFilePassword(false)) result = RunEngine(path, false);
        }
        if (result != kResultOk) {
            Complain(EngineErrorMessage(result, result == kResultTargetAppeared ? target : path, false));
            return false; // a recalled password stays in the database
        }
        SetFileAttributes(target, attributes);
        if (stored && !recalled.Confirm()) Complain("the password of " + target + " stays in the database");
        if (!options_.keep && !SourceStillAsRead(path)) return false;
        if (!options_.keep && ::unlink(path.c_str()) != 0) {
            Complain(path + " was decrypted into " + target + ", but deleting it failed: " + std::strerror(errno));
            return false;
        }
        return true;
    }

private:
    // False, after saying so, when `path` no longer names the file the engine read, unchanged.
    bool SourceStillAsRead(const std::string& path)
    {
        const int changed = engine_.CheckSourceUnchanged();
        if (changed == kResultOk) return true;
        Complain(EngineErrorMessage(changed, path, false));
        return false;
    }

    // Asks for the file password the first time one is needed.
    bool HaveFilePassword(bool encrypting)
    {
        if (engine_.Entered) return true;
        if (askedInVain_) return false;
        auto password = ObtainPassword(options_, encrypting);
        if (!password) {
            askedInVain_ = true;
            return false;
        }
        engine_.SetPassword(password->str());
        engine_.Entered = true;
        return true;
    }

    int RunEngine(const std::string& path, bool encrypting)
    {
        progress_.Start(path, GetFileSize(path));
        engine_.ProcessMessages = [this] { progress_.Update(engine_.BlocksDone, engine_.BlocksTotal); };
        // Without --force the target was free when the run began; a file that appears there meanwhile
        // is kept.
        const int result = encrypting ? engine_.EncryptFile(path, options_.method, options_.force)
                                      : engine_.DecryptFile(path, options_.force);
        engine_.ProcessMessages = nullptr;
        progress_.Finish();
        return result;
    }

    const Options& options_;
    TKV_Pwd engine_;
    CliPasswordUi ui_;
    TKV_PwdTable table_;
    ProgressLine progress_;
    bool askedInVain_ = false;
};

int RunCrypt(const Options& options)
{
    const bool encrypting = options.command == "encrypt";
    CryptRun run(options);
    if (!run.Start()) return kExitFailed;

    int status = kExitOk;
    for (const std::string& path : options.files) {
        if (g_abort.load()) {
            Complain("stopped; " + path + " and the files after it were not processed");
            status = kExitFailed;
            break;
        }
        const bool ok = encrypting ? run.Encrypt(path) : run.Decrypt(path);
        if (!ok) status = kExitFailed;
    }
    return status;
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
    if (const auto exitNow = ParseArguments(argc, argv, options)) return *exitNow;

    struct sigaction action
    {
    };
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);

    if (options.command == "info") return RunInfo(options);
    if (options.command == "wipe") return RunWipe(options);
    return RunCrypt(options);
}
