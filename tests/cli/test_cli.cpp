// SPDX-License-Identifier: GPL-3.0-or-later
// kelvane-cli as a user runs it: the real binary, its exit status, its messages and its files.
#include "PasswordText.h"
#include "TKV_Pwd.h"

#include "../engine/FileTestSupport.h"
#include "../passwords/PwdTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include "WinText.h"

#include "WindowsHeader.h"
#else
#include "../common/ProcLocks.h"

#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace filetest;

void WriteText(const std::string& path, const std::string& text)
{
    WriteBytes(path, Bytes(text.begin(), text.end()));
}

std::string ReadText(const std::string& path)
{
    const Bytes b = ReadBytes(path);
    return std::string(b.begin(), b.end());
}

std::string MagicOf(const std::string& path)
{
    const Bytes b = ReadBytes(path);
    return b.size() >= 4 ? std::string(b.begin(), b.begin() + 4) : std::string();
}

bool Contains(const std::string& haystack, const std::string& needle)
{
    return haystack.find(needle) != std::string::npos;
}

struct Outcome
{
    int status = -1000; // exit status, or minus the signal that ended the program
    std::string out;
    std::string err;
};

#if defined(_WIN32)
using pid_t = HANDLE; // the started program's process handle

// kelvane-cli.exe beside this test program, where the build puts both.
std::string CliPath()
{
    wchar_t self[32768];
    const DWORD length = ::GetModuleFileNameW(nullptr, self, 32768);
    std::wstring path(self, length);
    path.resize(path.find_last_of(L"\\/") + 1);
    return NarrowToUtf8(path + L"kelvane-cli.exe");
}

// One argument as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

HANDLE Inheritable(const std::string& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return ::CreateFileW(WidenUtf8(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Starts kelvane-cli with `args`; standard input from `input`, output and errors into files under
// `io`. The program gets no console, so it can never ask for a password.
pid_t Start(const TempDir& io, const std::vector<std::string>& args, const std::string& input,
            const std::string& cwd = "")
{
    const std::string in = io / "stdin", out = io / "stdout", err = io / "stderr";
    WriteText(in, input);
    std::wstring commandLine = Quoted(WidenUtf8(CliPath()));
    for (const std::string& arg : args)
        commandLine += L" " + Quoted(WidenUtf8(arg));
    PROCESS_INFORMATION process{};
    const std::wstring directory = WidenUtf8(cwd);
    DWORD error = 0;
    // Under wine a file the previous program wrote is now and then still held for a moment after it
    // ended; a few tries get past that.
    for (int attempt = 0; attempt < 10; ++attempt) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = Inheritable(in, GENERIC_READ, OPEN_EXISTING);
        startup.hStdOutput = Inheritable(out, GENERIC_WRITE, CREATE_ALWAYS);
        startup.hStdError = Inheritable(err, GENERIC_WRITE, CREATE_ALWAYS);
        bool started = false;
        if (startup.hStdInput != INVALID_HANDLE_VALUE && startup.hStdOutput != INVALID_HANDLE_VALUE &&
            startup.hStdError != INVALID_HANDLE_VALUE)
            started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                                       cwd.empty() ? nullptr : directory.c_str(), &startup, &process);
        error = ::GetLastError();
        for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
            if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
        if (started) {
            ::CloseHandle(process.hThread);
            return process.hProcess;
        }
        ::Sleep(100);
    }
    ADD_FAILURE() << "cannot start " << CliPath() << ": error " << error;
    return nullptr;
}

Outcome Finish(const TempDir& io, pid_t process)
{
    Outcome o;
    DWORD code = 0;
    if (process != nullptr && ::WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 &&
        ::GetExitCodeProcess(process, &code))
        o.status = static_cast<int>(code);
    if (process != nullptr) ::CloseHandle(process);
    // Text written on Windows ends its lines with CR LF.
    const auto lines = [](std::string text) {
        for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
            text.erase(at, 1);
        return text;
    };
    o.out = lines(ReadText(io / "stdout"));
    o.err = lines(ReadText(io / "stderr"));
    return o;
}
#else
// Starts kelvane-cli with `args`; standard input from `input` (empty: /dev/null), output and errors
// into files under `io`. The child has no controlling terminal, so it can never ask for a password.
// `fileSizeLimit` (bytes, when not negative) is the largest file the program may write, as a full
// disk or a quota would have it.
pid_t Start(const TempDir& io, const std::vector<std::string>& args, const std::string& input,
            const std::string& cwd = "", long long fileSizeLimit = -1)
{
    const std::string in = io / "stdin", out = io / "stdout", err = io / "stderr";
    WriteText(in, input);
    std::vector<std::string> all{KELVANE_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(127);
        if (fileSizeLimit >= 0) {
            const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(127);
        }
        const int i = ::open(in.c_str(), O_RDONLY);
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (i < 0 || o < 0 || e < 0 || ::dup2(i, 0) < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0) ::_exit(127);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

Outcome Finish(const TempDir& io, pid_t pid)
{
    Outcome o;
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid) {
        if (WIFEXITED(status)) o.status = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) o.status = -WTERMSIG(status);
    }
    o.out = ReadText(io / "stdout");
    o.err = ReadText(io / "stderr");
    return o;
}
#endif

class Cli : public ::testing::Test
{
protected:
    Outcome Run(const std::vector<std::string>& args, const std::string& input = "", const std::string& cwd = "")
    {
        return Finish(io, Start(io, args, input, cwd));
    }
    // A password file outside the working directory, so listings show only the user's files.
    std::string PasswordFile(const std::string& password)
    {
        const std::string path = io / ("pw" + std::to_string(++passwordFiles));
        WriteText(path, password + "\n");
        return path;
    }
    // A container made by the engine.
    void MakeContainer(const std::string& plainPath, const Bytes& plain, int method, const std::string& password)
    {
        WriteBytes(plainPath, plain);
        TKV_Pwd pwd;
        pwd.SetPassword(password);
        ASSERT_EQ(pwd.EncryptFile(plainPath, method), 0);
        std::filesystem::remove(plainPath);
    }

    TempDir work{"cli-work"};
    TempDir io{"cli-io"};
    int passwordFiles = 0;
};

#if !defined(_WIN32)
// Polls until the running program has read `bytes` of `path` (its open descriptor's offset), so a
// signal lands in the middle of the work. Returns false if the program ended first.
bool WaitUntilReading(pid_t pid, const std::string& path, long long bytes)
{
    const std::string real = std::filesystem::canonical(path).string();
    for (int attempt = 0; attempt < 20000; ++attempt) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) != 0) return false;
        const std::string fdDir = "/proc/" + std::to_string(pid) + "/fd";
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(fdDir, ec)) {
            std::error_code linkError;
            if (std::filesystem::read_symlink(entry.path(), linkError).string() != real) continue;
            std::ifstream info("/proc/" + std::to_string(pid) + "/fdinfo/" + entry.path().filename().string());
            std::string key;
            long long pos = 0;
            while (info >> key)
                if (key == "pos:" && info >> pos && pos >= bytes) return true;
        }
        ::usleep(1000);
    }
    return false;
}
#endif

} // namespace

TEST_F(Cli, EncryptAndDecryptWithPasswordFile)
{
    const Bytes a = Pattern(12345, 1), b = Pattern(0, 2);
    WriteBytes(work / "a.txt", a);
    WriteBytes(work / "b.bin", b);
    const std::string pw = PasswordFile("correct horse");

    Outcome o = Run({"encrypt", "--password-file", pw, work / "a.txt", work / "b.bin"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(work.List(), (std::vector<std::string>{"a.txt.cry", "b.bin.cry"})) << "plain files wiped, no tilde left";
    EXPECT_EQ(MagicOf(work / "a.txt.cry"), "KV98") << "IDEA is the default";

    o = Run({"decrypt", "--password-file=" + pw, work / "a.txt.cry", work / "b.bin.cry"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(work.List(), (std::vector<std::string>{"a.txt", "b.bin"}));
    EXPECT_EQ(ReadBytes(work / "a.txt"), a);
    EXPECT_EQ(ReadBytes(work / "b.bin"), b);
}

TEST_F(Cli, PasswordFromStandardInputAndKeep)
{
    const Bytes a = Pattern(4000, 3);
    WriteBytes(work / "a", a);
    // Only the first line counts, and a Windows line end is not part of the password.
    Outcome o = Run({"encrypt", "--keep", "--password-file", "-", "--method", "3xdes", work / "a"},
                    "stdin pass 1\r\nsecond line\n");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(work.List(), (std::vector<std::string>{"a", "a.cry"}));
    EXPECT_EQ(ReadBytes(work / "a"), a);
    EXPECT_EQ(MagicOf(work / "a.cry"), "KV9C");

    // The engine, given the same text, opens the container.
    std::filesystem::rename(work / "a", io / "a.original");
    TKV_Pwd pwd;
    pwd.SetPassword("stdin pass 1");
    ASSERT_EQ(pwd.DecryptFile(work / "a.cry"), 0);
    EXPECT_EQ(ReadBytes(work / "a"), a);
    std::filesystem::remove(work / "a");

    o = Run({"decrypt", "--password-file", "-", "--keep", work / "a.cry"}, "stdin pass 1\n");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(work.List(), (std::vector<std::string>{"a", "a.cry"}));
    EXPECT_EQ(ReadBytes(work / "a"), a);
}

TEST_F(Cli, PasswordTextBecomesWindows1252Bytes)
{
    WriteBytes(work / "u", Pattern(100, 4));
    const std::string text = "p\xC3\xA4ssw\xC3\xB6rt"; // 8 characters, 10 UTF-8 bytes: fits DES
    Outcome o = Run({"encrypt", "--method", "des", "--keep", "--password-file", PasswordFile(text), work / "u"});
    ASSERT_EQ(o.status, 0) << o.err;
    // A legacy holder of the same password has the Windows-1252 bytes, scrambled.
    SecretBytes legacy = {'p', 0xE4, 's', 's', 'w', 0xF6, 'r', 't'};
    for (auto& c : legacy)
        c = static_cast<std::uint8_t>(c ^ 0x6E);
    TKV_Pwd pwd;
    pwd.SetScrambledPassword(legacy);
    std::filesystem::remove(work / "u");
    EXPECT_EQ(pwd.DecryptFile(work / "u.cry"), 0);
    EXPECT_EQ(ReadBytes(work / "u"), Pattern(100, 4));
}

TEST_F(Cli, MethodNames)
{
    const struct
    {
        std::string option;
        const char* magic;
    } cases[] = {{"idea", "KV98"}, {"des", "KV9B"}, {"3xdes", "KV9C"}, {"DES", "KV9B"}, {"0", "KV97"},
                 {"1", "KV98"},    {"2", "KV9A"},   {"3", "KV9B"},     {"4", "KV9C"}};
    const std::string pw = PasswordFile("sixsix");
    for (const auto& c : cases) {
        WriteBytes(work / "m", Pattern(50, 5));
        const Outcome o = Run({"encrypt", "--method=" + c.option, "--password-file", pw, work / "m"});
        EXPECT_EQ(o.status, 0) << c.option << ": " << o.err;
        EXPECT_EQ(MagicOf(work / "m.cry"), c.magic) << c.option;
        std::filesystem::remove(work / "m.cry");
    }
}

TEST_F(Cli, ExistingTargetNeedsForceAndTheOtherFilesGoOn)
{
    const Bytes a = Pattern(300, 6), b = Pattern(301, 7), old = {'o', 'l', 'd'};
    WriteBytes(work / "a", a);
    WriteBytes(work / "a.cry", old);
    WriteBytes(work / "b", b);
    const std::string pw = PasswordFile("secret12");

    Outcome o = Run({"encrypt", "--password-file", pw, work / "a", work / "b"});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Contains(o.err, work / "a.cry")) << o.err;
    EXPECT_TRUE(Contains(o.err, "--force")) << o.err;
    EXPECT_EQ(ReadBytes(work / "a.cry"), old);
    EXPECT_EQ(ReadBytes(work / "a"), a);
    EXPECT_EQ(work.List(), (std::vector<std::string>{"a", "a.cry", "b.cry"}));

    o = Run({"encrypt", "--force", "--password-file", pw, work / "a"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(work.List(), (std::vector<std::string>{"a.cry", "b.cry"}));
    EXPECT_EQ(MagicOf(work / "a.cry"), "KV98");

    // The same rule when decrypting.
    WriteBytes(work / "a", old);
    o = Run({"decrypt", "--password-file", pw, work / "a.cry", work / "b.cry"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(ReadBytes(work / "a"), old);
    EXPECT_EQ(work.List(), (std::vector<std::string>{"a", "a.cry", "b"}));
    EXPECT_EQ(ReadBytes(work / "b"), b);
    o = Run({"decrypt", "--force", "--password-file", pw, work / "a.cry"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(ReadBytes(work / "a"), a);
    EXPECT_EQ(work.List(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(Cli, WrongPasswordIsReportedAndTheRestGoesOn)
{
    const Bytes x = Pattern(200, 8), y = Pattern(201, 9);
    MakeContainer(work / "x", x, 1, "first password");
    MakeContainer(work / "y", y, 1, "other password");
    const Outcome o =
        Run({"decrypt", "--password-file", PasswordFile("other password"), work / "x.cry", work / "y.cry"});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Contains(o.err, "Invalid password for the file " + (work / "x.cry") + " !")) << o.err;
    EXPECT_EQ(work.List(), (std::vector<std::string>{"x.cry", "y"}));
    EXPECT_EQ(ReadBytes(work / "y"), y);
}

TEST_F(Cli, EngineFailuresUseTheMessageTexts)
{
    WriteBytes(work / "ok", Pattern(10, 10));
    Bytes notContainer(64, 'z');
    WriteBytes(work / "junk.cry", notContainer);
    const std::string pw = PasswordFile("secret12");
    Outcome o = Run({"encrypt", "--password-file", pw, work / "missing", work / "ok"});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Contains(o.err, "Couldn't open file " + (work / "missing") + " .")) << o.err;
    EXPECT_TRUE(Exists(work / "ok.cry"));
    o = Run({"decrypt", "--password-file", pw, work / "junk.cry"});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Contains(o.err, "Cannot identify file " + (work / "junk.cry") + " as a valid crypted file.")) << o.err;
    EXPECT_EQ(ReadBytes(work / "junk.cry"), notContainer);
}

TEST_F(Cli, DamagedDataIsNotAWrongPassword)
{
    const std::string pw = PasswordFile("secret12");
    MakeContainer(work / "d", Pattern(5000, 11), 1, "secret12");
    Bytes damaged = ReadBytes(work / "d.cry");
    damaged[2000] ^= 0x08;
    WriteBytes(work / "d.cry", damaged);
    const Outcome o = Run({"decrypt", "--password-file", pw, work / "d.cry"});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Contains(o.err, "File " + (work / "d.cry") + " is damaged")) << o.err;
    EXPECT_FALSE(Contains(o.err, "Invalid password")) << o.err;
    EXPECT_EQ(ReadBytes(work / "d.cry"), damaged);
    EXPECT_FALSE(Exists(work / "d"));
}

TEST_F(Cli, OverlongNameIsRefusedBeforeTheWork)
{
    const std::string pw = PasswordFile("secret12");
    const std::string longName(static_cast<std::size_t>(testplatform::NameMax(work.path())), 'L');
    const Bytes plain = Pattern(30000, 12);
    WriteBytes(work / longName, plain);
    const Outcome o = Run({"encrypt", "--password-file", pw, work / longName});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Contains(o.err, "The name of " + (work / longName) + " is too long to add \".cry\"")) << o.err;
    EXPECT_EQ(ReadBytes(work / longName), plain);
    EXPECT_EQ(work.List(), std::vector<std::string>{longName});
}

TEST_F(Cli, UsageErrors)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate", work / "f"},
        {"encrypt"},
        {"encrypt", "--password-file", PasswordFile("secret12")},
        {"encrypt", "--bogus", work / "f"},
        {"encrypt", "--method", "rot13", work / "f"},
        {"encrypt", "--method", "5", work / "f"},
        {"encrypt", work / "f", "--method"},
        {"encrypt", work / "f", "--password-file"},
        {"decrypt", "--method", "des", work / "f.cry"},
        {"info", "--keep", work / "f"},
        {"wipe", "--force", work / "f"},
    };
    WriteBytes(work / "f", Pattern(10, 11));
    for (const auto& args : cases) {
        std::string line;
        for (const auto& a : args)
            line += a + " ";
        const Outcome o = Run(args);
        EXPECT_EQ(o.status, 2) << line << o.err;
        EXPECT_TRUE(Contains(o.err, "Usage")) << line << o.err;
        EXPECT_EQ(work.List(), std::vector<std::string>{"f"}) << line;
    }
}

TEST_F(Cli, DoubleDashEndsTheOptions)
{
    const Bytes plain = Pattern(70, 21);
    WriteBytes(work / "-f", plain);
    const std::string pw = PasswordFile("secret12");
    // Without "--" a name starting with a dash is an unknown option.
    Outcome o = Run({"encrypt", "--password-file", pw, "-f"}, "", work / ".");
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(work.List(), std::vector<std::string>{"-f"});
    o = Run({"encrypt", "--password-file", pw, "--", "-f"}, "", work / ".");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(work.List(), std::vector<std::string>{"-f.cry"});
}

TEST_F(Cli, HelpAndVersion)
{
    Outcome o = Run({"--help"});
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(Contains(o.out, "kelvane-cli encrypt")) << o.out;
    o = Run({"--version"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out.rfind("kelvane-cli ", 0), 0u) << o.out;
}

TEST_F(Cli, InfoOfEachMethodAndOfOtherFiles)
{
    const char* const tags[] = {"DES", "IDEA", "DES", "DES", "3xDES"};
    const int headers[] = {14, 35, 14, 35, 35};
    std::vector<std::string> args{"info"};
    for (int method = 0; method <= 4; ++method) {
        const std::string name = work / "m" + std::to_string(method);
        MakeContainer(name, Pattern(static_cast<std::size_t>(1000 + method), 12), method, "secret12");
        args.push_back(name + ".cry");
    }
    Outcome o = Run(args);
    EXPECT_EQ(o.status, 0) << o.err;
    for (int method = 0; method <= 4; ++method) {
        const std::string name = work / "m" + std::to_string(method) + ".cry";
        const std::string expected = name + ": " + tags[method] + ", " + std::to_string(1000 + method) +
                                     " bytes plain, header " + std::to_string(headers[method]) + " bytes";
        EXPECT_TRUE(Contains(o.out, expected + "\n")) << expected << "\n" << o.out;
    }

    WriteText(work / "notes.txt", "just some text, long enough to have a whole header");
    o = Run({"info", work / "notes.txt", work / "m1.cry"});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Contains(o.out, (work / "notes.txt") + ": -")) << o.out;
    EXPECT_TRUE(Contains(o.out, (work / "m1.cry") + ": IDEA")) << o.out;
    o = Run({"info", work / "absent.cry"});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Contains(o.out + o.err, (work / "absent.cry") + ": -")) << o.out << o.err;
}

TEST_F(Cli, DecryptWantsANameEndingInCry)
{
    const Bytes plain = Pattern(99, 13);
    WriteBytes(work / "plain.txt", plain);
    Outcome o = Run({"decrypt", "--password-file", PasswordFile("secret12"), work / "plain.txt"});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Contains(o.err, ".cry")) << o.err;
    EXPECT_EQ(ReadBytes(work / "plain.txt"), plain);

    // Any letter case.
    MakeContainer(work / "UP", plain, 3, "secret12");
    std::filesystem::rename(work / "UP.cry", work / "UP.CrY");
    o = Run({"decrypt", "--password-file", PasswordFile("secret12"), work / "UP.CrY"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(ReadBytes(work / "UP"), plain);
    EXPECT_FALSE(Exists(work / "UP.CrY"));
}

// The most counts key bytes: a Greek or Cyrillic letter is two of them, a Latin-1 letter one. The
// least counts characters.
TEST_F(Cli, PasswordLengthRules)
{
    const auto times = [](const std::string& unit, int n) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += unit;
        return text;
    };
    const std::string alpha = "\xCE\xB1", de = "\xD0\xB4", ae = "\xC3\xA4"; // α, д, ä
    const struct
    {
        const char* method;
        std::string password;
        bool accepted;
    } cases[] = {
        {"des", "abcde", false},
        {"idea", "abcde", false},
        {"des", "abcdef", true},
        {"des", "abcdefgh", true},
        {"des", times(ae, 8), true},
        {"des", times(ae, 9), false},
        {"des", "abcdefghi", false},
        {"0", "abcdefghi", false},
        {"2", "abcdefghi", false},
        {"des", times(alpha, 4), false},
        {"des", times(alpha, 4) + "12", false},
        {"des", times(alpha, 8), false},
        {"des", times(de, 6), false},
        {"des", times(alpha, 3) + "12", false},
        {"idea", "abcdefghi", true},
        {"idea", std::string(16, 'p'), true},
        {"idea", std::string(17, 'p'), false},
        {"idea", times(ae, 16), true},
        {"idea", times(ae, 17), false},
        {"idea", times(alpha, 8), true},
        {"idea", times(alpha, 9), false},
        {"idea", times(de, 7) + "12", true},
        {"idea", times(de, 7) + "123", false},
        {"3xdes", std::string(24, 'q'), true},
        {"3xdes", std::string(25, 'q'), false},
        {"3xdes", times(alpha, 12), true},
        {"3xdes", times(alpha, 12) + "x", false},
        {"3xdes", times(de, 13), false},
    };
    const Bytes plain = Pattern(40, 14);
    WriteBytes(work / "f", plain);
    for (const auto& c : cases) {
        const std::string label = std::string(c.method) + " '" + c.password + "'";
        const Outcome o =
            Run({"encrypt", "--keep", "--method", c.method, "--password-file", PasswordFile(c.password), work / "f"});
        if (c.accepted) {
            EXPECT_EQ(o.status, 0) << label << o.err;
            EXPECT_TRUE(Exists(work / "f.cry")) << label;
        } else {
            EXPECT_NE(o.status, 0) << label;
            EXPECT_TRUE(Contains(o.err, "characters in password")) << label << o.err;
            EXPECT_FALSE(Exists(work / "f.cry")) << label;
        }
        EXPECT_EQ(ReadBytes(work / "f"), plain) << label;
        std::filesystem::remove(work / "f.cry");
    }
    // Decryption accepts up to 24 key bytes whatever the file's method.
    for (const std::string& password : {std::string(24, 'q'), times(alpha, 12)}) {
        MakeContainer(work / "t", plain, 4, password);
        Outcome o = Run({"decrypt", "--keep", "--password-file", PasswordFile(password + "x"), work / "t.cry"});
        EXPECT_NE(o.status, 0);
        EXPECT_TRUE(Contains(o.err, "Too many characters in password.")) << o.err;
        EXPECT_FALSE(Exists(work / "t"));
        o = Run({"decrypt", "--keep", "--password-file", PasswordFile(password), work / "t.cry"});
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(ReadBytes(work / "t"), plain);
        std::filesystem::remove(work / "t");
        std::filesystem::remove(work / "t.cry");
    }
}

TEST_F(Cli, WithoutPasswordFileOrTerminalNothingHappens)
{
    const Bytes plain = Pattern(10, 15);
    WriteBytes(work / "f", plain);
    const Outcome o = Run({"encrypt", work / "f"});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Contains(o.err, "--password-file")) << o.err;
    EXPECT_EQ(work.List(), std::vector<std::string>{"f"});
}

TEST_F(Cli, WipeCommand)
{
    WriteBytes(work / "w", Pattern(2500, 16));
    const Bytes target = Pattern(30, 17);
    WriteBytes(work / "target", target);
    Outcome o = Run({"wipe", work / "w"});
    EXPECT_EQ(o.status, 0) << o.err;
#if defined(_WIN32) // no symbolic link to make there; reparse points: WindowsFiles tests
    EXPECT_EQ(work.List(), (std::vector<std::string>{"target"}));
#else
    std::filesystem::create_symlink("target", work / "link");
    o = Run({"wipe", work / "link"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(ReadBytes(work / "target"), target);
    EXPECT_EQ(work.List(), (std::vector<std::string>{"link", "target"}));
#endif
}

// A file with other names is encrypted and its name removed, but its data, which the other names
// still show, is not overwritten: a note says so and the run counts as a success.
TEST_F(Cli, AFileWithOtherNamesIsNotOverwritten)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY(
        "hard links made with link() (the Windows wipe of such a file: WindowsFiles.ReadOnlyFileWithAnotherName)");
#else
    const std::string pw = PasswordFile("secret12");
    const struct
    {
        const char* command;
        std::vector<std::string> leaves;
    } cases[] = {
        {"encrypt", {"a", "doc.cry"}},
        {"wipe", {"a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        const Bytes plain = Pattern(3000, 19);
        WriteBytes(work / "doc", plain);
        ASSERT_EQ(::link((work / "doc").c_str(), (work / "a").c_str()), 0);
        std::vector<std::string> args{c.command};
        if (std::string(c.command) == "encrypt") args.insert(args.end(), {"--password-file", pw});
        args.push_back(work / "doc");
        const Outcome o = Run(args);
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.err, "kelvane-cli: " + (work / "doc") +
                             " was removed, but its data was not wiped because other names (hard links) share it.\n");
        EXPECT_EQ(work.List(), c.leaves);
        EXPECT_EQ(ReadBytes(work / "a"), plain);
        if (Exists(work / "doc.cry")) {
            const Outcome d = Run({"decrypt", "--password-file", pw, work / "doc.cry"});
            EXPECT_EQ(d.status, 0) << d.err;
            EXPECT_EQ(ReadBytes(work / "doc"), plain);
        }
        std::filesystem::remove(work / "a");
        std::filesystem::remove(work / "doc");
    }
#endif
}

// Files called like the wipe's temporary names, the user's own or left by a stopped wipe, neither
// stop an encryption in their folder nor are touched by it.
TEST_F(Cli, TildeNamesInTheFolderAreLeftAlone)
{
    const Bytes mine = Pattern(40, 20), leftover = Pattern(5000, 21);
    WriteBytes(work / "~", mine);
    WriteBytes(work / "~~~~~~~~.~~~", leftover);
    WriteBytes(work / "f", Pattern(2000, 22));
    WriteBytes(work / "g", Pattern(2000, 23));
    Outcome o = Run({"encrypt", "--password-file", PasswordFile("secret12"), work / "f"});
    EXPECT_EQ(o.status, 0) << o.err;
    o = Run({"wipe", work / "g"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(work.List(), (std::vector<std::string>{"f.cry", "~", "~~~~~~~~.~~~"}));
    EXPECT_EQ(ReadBytes(work / "~"), mine);
    EXPECT_EQ(ReadBytes(work / "~~~~~~~~.~~~"), leftover);
}

// The bit-serial DES of method 0 is slow, so a few megabytes keep the program busy long enough
// to be interrupted in the middle.
TEST_F(Cli, KilledInTheMiddleLeavesThePlainFileIntact)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("signals and /proc");
#else
    const Bytes plain = Pattern(8u << 20, 18);
    WriteBytes(work / "big", plain);
    const pid_t pid = Start(io, {"encrypt", "--method", "0", "--password-file", "-", work / "big"}, "secret12\n");
    ASSERT_TRUE(WaitUntilReading(pid, work / "big", 3 * 10240)) << Finish(io, pid).err;
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    const Outcome o = Finish(io, pid);
    EXPECT_EQ(o.status, -SIGKILL);
    EXPECT_EQ(work.List(), std::vector<std::string>{"big"});
    EXPECT_TRUE(ReadBytes(work / "big") == plain);
#endif
}

TEST_F(Cli, InterruptedInTheMiddleStopsCleanly)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("signals and /proc");
#else
    const Bytes plain = Pattern(8u << 20, 19);
    WriteBytes(work / "big", plain);
    WriteBytes(work / "after", Pattern(10, 20));
    const pid_t pid =
        Start(io, {"encrypt", "--jobs", "1", "--method", "2", "--password-file", "-", work / "big", work / "after"},
              "secret12\n");
    ASSERT_TRUE(WaitUntilReading(pid, work / "big", 3 * 10240)) << Finish(io, pid).err;
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    const Outcome o = Finish(io, pid);
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Contains(o.err, "You have aborted processing " + (work / "big") + ".")) << o.err;
    // The stop ends the run: the next file is not started.
    EXPECT_EQ(work.List(), (std::vector<std::string>{"after", "big"}));
    EXPECT_TRUE(ReadBytes(work / "big") == plain);
#endif
}

// A password that never comes (a FIFO nobody writes to) does not hold the program against Ctrl-C.
TEST_F(Cli, InterruptedWhileWaitingForThePassword)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("signals and FIFOs");
#else
    const std::string fifo = io / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const Bytes plain = Pattern(10, 32);
    WriteBytes(work / "f", plain);
    const pid_t pid = Start(io, {"encrypt", "--password-file", fifo, work / "f"}, "");
    // This open returns once the program has opened the other end, its stop handler set; holding it
    // open keeps the program's read waiting instead of ending at end of file.
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    // A signal just before the read starts is seen only after it; the next one breaks the read.
    int status = 0;
    pid_t ended = 0;
    for (int attempt = 0; attempt < 2000 && ended == 0; ++attempt) {
        ::kill(pid, SIGINT);
        ::usleep(1000);
        ended = ::waitpid(pid, &status, WNOHANG);
    }
    ::close(writer);
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        FAIL() << "kelvane-cli went on waiting for the password after Ctrl-C";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_TRUE(Contains(ReadText(io / "stderr"), "stopped while reading " + fifo)) << ReadText(io / "stderr");
    EXPECT_EQ(work.List(), std::vector<std::string>{"f"});
    EXPECT_EQ(ReadBytes(work / "f"), plain);
#endif
}

namespace {

class CliKeyfile : public Cli
{
protected:
    std::string master = PasswordFile("master-of-db");
    std::string db = io / "passwords.key";

    // Encrypts `path` under `password`, storing the password in the database.
    int EncryptStoring(const std::string& path, const std::string& password, bool keep = false)
    {
        std::vector<std::string> args = {
            "encrypt", "--password-file", PasswordFile(password), "--keyfile", db, "--master-password-file", master};
        if (keep) args.push_back("--keep");
        args.push_back(path);
        return Run(args).status;
    }
};

// Stored on encryption under the absolute plain path, recalled on decryption without a file
// password, and gone from the database once that decryption succeeded.
TEST_F(CliKeyfile, StoresAndRecallsThePasswordOfEachFile)
{
    const Bytes a = Pattern(3000, 1), b = Pattern(17, 2);
    WriteBytes(work / "a.txt", a);
    WriteBytes(work / "b.txt", b);
    const Outcome enc = Run({"encrypt", "--password-file", PasswordFile("file-pass-1"), "--keyfile", db,
                             "--master-password-file", master, "a.txt", "b.txt"},
                            "", work / "");
    ASSERT_EQ(enc.status, 0) << enc.err;
    ASSERT_TRUE(Exists(db));

    // No --password-file and no terminal: only the database can give the password.
    const Outcome dec = Run({"decrypt", "--keyfile", db, "--master-password-file", master, work / "a.txt.cry"});
    ASSERT_EQ(dec.status, 0) << dec.err;
    EXPECT_EQ(ReadBytes(work / "a.txt"), a);

    // a.txt's entry was used up; b.txt's is still there.
    MakeContainer(work / "a.txt", a, 1, "file-pass-1");
    std::filesystem::remove(work / "a.txt");
    const Outcome again = Run({"decrypt", "--keyfile", db, "--master-password-file", master, work / "a.txt.cry"});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(Exists(work / "a.txt.cry"));
    const Outcome other = Run({"decrypt", "--keyfile", db, "--master-password-file", master, work / "b.txt.cry"});
    EXPECT_EQ(other.status, 0) << other.err;
    EXPECT_EQ(ReadBytes(work / "b.txt"), b);
}

// A failed decryption must not cost the file its only remembered password.
TEST_F(CliKeyfile, AFailedDecryptionKeepsTheStoredPassword)
{
    const Bytes a = Pattern(5000, 3);
    WriteBytes(work / "a.txt", a);
    ASSERT_EQ(EncryptStoring(work / "a.txt", "file-pass-2"), 0);
    const Bytes container = ReadBytes(work / "a.txt.cry");
    Bytes damaged = container;
    damaged[40] ^= 0x01;
    WriteBytes(work / "a.txt.cry", damaged);
    const Outcome bad = Run({"decrypt", "--keyfile", db, "--master-password-file", master, work / "a.txt.cry"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_FALSE(Exists(work / "a.txt"));
    // The stored password opened the file; the data is what is wrong, so it is not blamed.
    EXPECT_TRUE(Contains(bad.err, "is damaged")) << bad.err;
    EXPECT_FALSE(Contains(bad.err, "does not open")) << bad.err;

    WriteBytes(work / "a.txt.cry", container);
    const Outcome good = Run({"decrypt", "--keyfile", db, "--master-password-file", master, work / "a.txt.cry"});
    ASSERT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(ReadBytes(work / "a.txt"), a);
}

// A stored password that no longer opens the file (the container was replaced) must not lock it:
// the file password is tried, and the stale entry goes once that one opens it.
TEST_F(CliKeyfile, AStaleStoredPasswordGivesWayToTheFilePassword)
{
    const Bytes a = Pattern(700, 6);
    WriteBytes(work / "a.txt", a);
    ASSERT_EQ(EncryptStoring(work / "a.txt", "old-pass"), 0);
    std::filesystem::remove(work / "a.txt.cry");
    MakeContainer(work / "a.txt", a, 4, "new-pass");

    const Outcome alone = Run({"decrypt", "--keyfile", db, "--master-password-file", master, work / "a.txt.cry"});
    EXPECT_EQ(alone.status, 1);
    EXPECT_TRUE(Exists(work / "a.txt.cry"));
    EXPECT_FALSE(Exists(work / "a.txt"));

    const Outcome typed = Run({"decrypt", "--keyfile", db, "--master-password-file", master, "--password-file",
                               PasswordFile("new-pass"), work / "a.txt.cry"});
    ASSERT_EQ(typed.status, 0) << typed.err;
    EXPECT_TRUE(Contains(typed.err, "does not open"));
    EXPECT_EQ(ReadBytes(work / "a.txt"), a);

    // The stale entry is gone: a container under the old password is no longer opened from the database.
    std::filesystem::remove(work / "a.txt");
    MakeContainer(work / "a.txt", a, 4, "old-pass");
    EXPECT_EQ(Run({"decrypt", "--keyfile", db, "--master-password-file", master, work / "a.txt.cry"}).status, 1);
}

TEST_F(CliKeyfile, WrongMasterPasswordForAnExistingDatabase)
{
    WriteBytes(work / "a.txt", Pattern(10, 4));
    ASSERT_EQ(EncryptStoring(work / "a.txt", "file-pass-3", true), 0);
    const Bytes before = ReadBytes(db);
    const Outcome wrong =
        Run({"decrypt", "--keyfile", db, "--master-password-file", PasswordFile("not-the-master"), work / "a.txt.cry"});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_TRUE(Contains(wrong.err, "Invalid password."));
    EXPECT_EQ(ReadBytes(db), before);
    EXPECT_TRUE(Exists(work / "a.txt.cry"));
}

// A file the database knows nothing of falls back to the file password.
TEST_F(CliKeyfile, UnknownFileFallsBackToTheFilePassword)
{
    const Bytes a = Pattern(100, 5);
    MakeContainer(work / "a.txt", a, 4, "typed-pass");
    const Outcome dec = Run({"decrypt", "--keyfile", db, "--master-password-file", master, "--password-file",
                             PasswordFile("typed-pass"), work / "a.txt.cry"});
    ASSERT_EQ(dec.status, 0) << dec.err;
    EXPECT_EQ(ReadBytes(work / "a.txt"), a);
}

} // namespace

namespace {

// A master password file that makes a new database meets the dialog's rules; an existing database
// is opened by whatever opens it, with a note when bytes beyond the 16 that count are ignored.
TEST_F(CliKeyfile, MasterPasswordFromAFile)
{
    const std::string alpha = "\xCE\xB1";
    std::string greek8, greek9;
    for (int i = 0; i < 8; ++i)
        greek8 += alpha;
    greek9 = greek8 + alpha;
    const struct
    {
        const char* label;
        std::string master;
        const char* refusal; // nullptr: a new database is made
    } cases[] = {
        {"empty", "", "Too few characters in password."},
        {"three", "abc", "Too few characters in password."},
        {"five", "abcde", "Too few characters in password."},
        {"six", "abcdef", nullptr},
        {"sixteen", std::string(16, 'm'), nullptr},
        {"seventeen", std::string(17, 'm'), "Too many characters in password."},
        {"a hundred", std::string(100, 'm'), "Too many characters in password."},
        {"eight greek, 16 bytes", greek8, nullptr},
        {"nine greek, 18 bytes", greek9, "Too many characters in password."},
    };
    const Bytes plain = Pattern(64, 30);
    WriteBytes(work / "f", plain);
    for (const auto& c : cases) {
        const Outcome o = Run({"encrypt", "--keep", "--password-file", PasswordFile("file-pass"), "--keyfile", db,
                               "--master-password-file", PasswordFile(c.master), work / "f"});
        if (c.refusal != nullptr) {
            EXPECT_EQ(o.status, 1) << c.label;
            EXPECT_TRUE(Contains(o.err, c.refusal)) << c.label << ": " << o.err;
            EXPECT_FALSE(Exists(db)) << c.label;
            EXPECT_FALSE(Exists(work / "f.cry")) << c.label;
        } else {
            EXPECT_EQ(o.status, 0) << c.label << ": " << o.err;
            EXPECT_TRUE(Exists(db)) << c.label;
        }
        std::filesystem::remove(db);
        std::filesystem::remove(work / "f.cry");
    }

    // An existing database made under 16 bytes opens with them and anything after them, and the
    // user is told that the rest did not count.
    ASSERT_EQ(Run({"encrypt", "--keep", "--password-file", PasswordFile("file-pass"), "--keyfile", db,
                   "--master-password-file", PasswordFile("0123456789abcdef"), work / "f"})
                  .status,
              0);
    std::filesystem::remove(work / "f");
    Outcome o = Run({"decrypt", "--keep", "--keyfile", db, "--master-password-file",
                     PasswordFile("0123456789abcdef-and-more"), work / "f.cry"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(Contains(o.err, "only the first 16 bytes of the master password count")) << o.err;
    EXPECT_EQ(ReadBytes(work / "f"), plain);
}

// A secret without a line end is read up to a limit, never without end.
TEST_F(CliKeyfile, ASecretWithoutLineEndIsReadUpToALimit)
{
    const std::string longFile = io / "long";
    WriteText(longFile, std::string(10 * 1024, 's'));
    const std::string filePassword = PasswordFile("file-pass");
    const Bytes plain = Pattern(64, 31);
    WriteBytes(work / "f", plain);
    struct Case
    {
        const char* label;
        std::vector<std::string> options;
    };
    std::vector<Case> cases = {
        {"password of 10 KiB", {"--password-file", longFile}},
        {"master password of 10 KiB",
         {"--password-file", filePassword, "--keyfile", db, "--master-password-file", longFile}},
    };
#if !defined(_WIN32) // a device without end
    cases.push_back({"password from /dev/zero", {"--password-file", "/dev/zero"}});
    cases.push_back({"master password from /dev/zero",
                     {"--password-file", filePassword, "--keyfile", db, "--master-password-file", "/dev/zero"}});
#endif
    for (const auto& c : cases) {
        std::vector<std::string> args = {"encrypt", "--keep"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(work / "f");
        const Outcome o = Run(args);
        EXPECT_EQ(o.status, 1) << c.label;
        EXPECT_TRUE(Contains(o.err, "Too many characters in password.")) << c.label << ": " << o.err;
        EXPECT_EQ(work.List(), std::vector<std::string>{"f"}) << c.label;
        EXPECT_FALSE(Exists(db)) << c.label;
    }
    EXPECT_EQ(ReadBytes(work / "f"), plain);
}

} // namespace

namespace {

// Runs sharing one database each store their file's password: every one is kept, so every plain
// file that was wiped can be decrypted from the database alone. The files share one folder, where the
// wipes running at once must not meet at their intermediate names either.
TEST_F(CliKeyfile, ParallelRunsKeepEveryStoredPassword)
{
    constexpr int kRuns = 8;
    const auto plainPath = [&](int i) {
        std::string name = "f";
        name += std::to_string(i);
        return work / name;
    };
    const auto plainData = [](int i) {
        return Pattern(static_cast<std::size_t>(500 + i), static_cast<unsigned>(40 + i));
    };
    std::vector<std::unique_ptr<TempDir>> ios;
    std::vector<pid_t> pids;
    for (int i = 0; i < kRuns; ++i) {
        WriteBytes(plainPath(i), plainData(i));
        ios.push_back(std::make_unique<TempDir>("cli-run"));
        pids.push_back(Start(*ios.back(),
                             {"encrypt", "--password-file", PasswordFile("file-pass-" + std::to_string(i)), "--keyfile",
                              db, "--master-password-file", master, plainPath(i)},
                             ""));
    }
    for (int i = 0; i < kRuns; ++i) {
        const Outcome o = Finish(*ios[static_cast<std::size_t>(i)], pids[static_cast<std::size_t>(i)]);
        EXPECT_EQ(o.status, 0) << i << ": " << o.err;
        EXPECT_FALSE(Exists(plainPath(i))) << i;
    }

    std::vector<std::string> args = {"decrypt", "--keyfile", db, "--master-password-file", master};
    for (int i = 0; i < kRuns; ++i)
        args.push_back(plainPath(i) + ".cry");
    const Outcome o = Run(args);
    EXPECT_EQ(o.status, 0) << o.err;
    for (int i = 0; i < kRuns; ++i)
        EXPECT_EQ(ReadBytes(plainPath(i)), plainData(i)) << i;
}

} // namespace

// The database must be able to take the password before the plain file is touched: no container
// whose password would be lost, and the files after it are left for another run.
TEST_F(CliKeyfile, ADatabaseThatCannotBeWrittenStopsTheRunBeforeTheFile)
{
    const Bytes a = Pattern(700, 31), b = Pattern(70, 32);
    WriteBytes(work / "a.txt", a);
    WriteBytes(work / "b.txt", b);
    WriteBytes(io / "not-a-folder", Pattern(1, 33));
    const std::string unwritable = io / "not-a-folder/passwords.key";
    const Outcome o = Run({"encrypt", "--password-file", PasswordFile("file-pass-9"), "--keyfile", unwritable,
                           "--master-password-file", master, work / "a.txt", work / "b.txt"});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Contains(o.err, "cannot take the password of " + (work / "a.txt"))) << o.err;
    EXPECT_TRUE(Contains(o.err, (work / "b.txt") + " and the files after it were not processed")) << o.err;
    EXPECT_EQ(work.List(), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(ReadBytes(work / "a.txt"), a);
}

// A file that is not there, or is no regular file, is refused before a password is asked for it.
TEST_F(Cli, AnUnusableSourceIsRefusedBeforeThePassword)
{
#if defined(_WIN32) // no symbolic link to make there; reparse points: WindowsFiles tests
    for (const std::string name : {"missing"}) {
#else
    ASSERT_EQ(::symlink("elsewhere", (work / "link").c_str()), 0);
    for (const std::string name : {"missing", "link"}) {
#endif
        const Outcome o = Run({"encrypt", work / name});
        EXPECT_EQ(o.status, 1) << name;
        EXPECT_FALSE(Contains(o.err, "--password-file")) << name << ": " << o.err;
        EXPECT_TRUE(Contains(o.err, work / name)) << o.err;
    }
}

// ---- Whole directory trees

namespace {

// A tree of plain files at several levels, names differing only in letter case, with spaces, with
// letters outside ASCII and with bytes that are no UTF-8, an empty directory, a link back up the tree,
// a link to a file and a file whose container already stands beside it.
struct TreeFixture
{
    explicit TreeFixture(const TempDir& dir) : root(dir / "tree")
    {
        namespace fs = std::filesystem;
        fs::create_directories(root + "/Sub/deeper");
        fs::create_directories(root + "/sub");
        fs::create_directories(root + "/empty");
        unsigned seed = 100;
        for (const std::string name :
             {"a.txt", "With Space.txt", "\xC3\xBCn\xC3\xAF.txt", "bad\xFF.bin", "Sub/x", "sub/y", "Sub/deeper/z"}) {
            const Bytes content = Pattern(1000 + 3 * seed, seed);
            ++seed;
            WriteBytes(root + "/" + name, content);
            plain.push_back({name, content});
            bytes += static_cast<long long>(content.size());
        }
#if !defined(_WIN32) // no symbolic links to make there
        fs::create_directory_symlink("..", root + "/Sub/loop");
        fs::create_symlink("a.txt", root + "/flink");
#endif
        WriteBytes(root + "/clash", Pattern(10, 1));
        WriteBytes(root + "/clash.cry", Pattern(10, 2));
    }

    std::string root;
    std::vector<std::pair<std::string, Bytes>> plain;
    long long bytes = 0;
};

} // namespace

TEST_F(Cli, RecursiveRoundTripWithSummaryAndExitStatus)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("symbolic links, names that are not UTF-8 and names told apart by letter case (Windows: "
                       "WindowsCli.RecursiveRoundTrip)");
#else
    const TreeFixture tree(work);
    const std::string password = PasswordFile("tree-secret");

    const Outcome enc = Run({"encrypt", "-r", "--password-file", password, tree.root});
    // The link to a file is refused as a single one would be, and the clash is refused: exit 1.
    EXPECT_EQ(enc.status, 1) << enc.err;
    EXPECT_TRUE(Contains(enc.out, "7 files encrypted, 2 failed, 2 skipped, " + std::to_string(tree.bytes) + " bytes, "))
        << enc.out;
    EXPECT_TRUE(Contains(enc.err, tree.root + "/flink")) << enc.err;
    EXPECT_TRUE(Contains(enc.err, tree.root + "/clash.cry already exists")) << enc.err;
    EXPECT_TRUE(Contains(enc.err, tree.root + "/Sub/loop: a link to a directory")) << enc.err;
    for (const auto& [name, content] : tree.plain) {
        EXPECT_FALSE(Exists(tree.root + "/" + name)) << name;
        EXPECT_EQ(MagicOf(tree.root + "/" + name + ".cry").size(), 4u) << name;
        // Containers written by the run are not taken up again by it.
        EXPECT_FALSE(Exists(tree.root + "/" + name + ".cry.cry")) << name;
    }
    EXPECT_TRUE(ReadBytes(tree.root + "/clash") == Pattern(10, 1));

    std::filesystem::remove(tree.root + "/flink");
    std::filesystem::remove(tree.root + "/clash");
    std::filesystem::remove(tree.root + "/clash.cry");
    const Outcome dec = Run({"decrypt", "--recursive", "--password-file", password, tree.root});
    EXPECT_EQ(dec.status, 0) << dec.err;
    EXPECT_TRUE(Contains(dec.out, "7 files decrypted, 0 failed, 1 skipped, ")) << dec.out;
    for (const auto& [name, content] : tree.plain) {
        EXPECT_FALSE(Exists(tree.root + "/" + name + ".cry")) << name;
        EXPECT_TRUE(ReadBytes(tree.root + "/" + name) == content) << name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(tree.root + "/empty"));
    EXPECT_TRUE(std::filesystem::is_symlink(tree.root + "/Sub/loop"));
#endif
}

TEST_F(Cli, RecursiveRunsAskOncePerRunAndCountWrongPasswordsAsFailed)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("symbolic links, names that are not UTF-8 and names told apart by letter case (Windows: "
                       "WindowsCli.RecursiveRoundTrip)");
#else
    const TreeFixture tree(work);
    std::filesystem::remove(tree.root + "/flink");
    std::filesystem::remove(tree.root + "/clash");
    std::filesystem::remove(tree.root + "/clash.cry");
    // One line of standard input serves the whole tree.
    const Outcome enc = Run({"encrypt", "-r", "--password-file", "-", tree.root}, "tree-secret\n");
    ASSERT_EQ(enc.status, 0) << enc.err;
    EXPECT_TRUE(Contains(enc.out, "7 files encrypted, 0 failed, 1 skipped, ")) << enc.out;

    // One container under another password fails; the others come back.
    const std::string odd = tree.root + "/Sub/x";
    ASSERT_EQ(Run({"decrypt", "--password-file", PasswordFile("tree-secret"), odd + ".cry"}).status, 0);
    ASSERT_EQ(Run({"encrypt", "--password-file", PasswordFile("other-secret"), odd}).status, 0);
    const Outcome dec = Run({"decrypt", "-r", "--password-file", "-", tree.root}, "tree-secret\n");
    EXPECT_EQ(dec.status, 1) << dec.err;
    EXPECT_TRUE(Contains(dec.out, "6 files decrypted, 1 failed, 1 skipped, ")) << dec.out;
    EXPECT_TRUE(Contains(dec.err, odd)) << dec.err;
    EXPECT_TRUE(Exists(odd + ".cry"));
    EXPECT_TRUE(ReadBytes(tree.root + "/Sub/deeper/z") == tree.plain.back().second);
#endif
}

TEST_F(Cli, ADirectoryWithoutRecursiveIsRefused)
{
    const TreeFixture tree(work);
    const Outcome o = Run({"encrypt", "--password-file", PasswordFile("tree-secret"), tree.root});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Contains(o.err, tree.root + " is a directory; use --recursive")) << o.err;
    // No summary without --recursive, and nothing touched.
    EXPECT_EQ(o.out, "");
    EXPECT_TRUE(ReadBytes(tree.root + "/a.txt") == tree.plain.front().second);
    EXPECT_FALSE(Exists(tree.root + "/a.txt.cry"));
}

TEST_F(Cli, RecursiveRunOverAnEmptyTreeSucceedsWithoutAPassword)
{
    std::filesystem::create_directories(work / "nothing/here");
    // Nothing to do: no password is needed, so none is asked for (there is no terminal to ask on).
    const Outcome o = Run({"encrypt", "-r", work / "nothing"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(Contains(o.out, "0 files encrypted, 0 failed, 0 skipped, 0 bytes, ")) << o.out;
}

// Every file, with its relative name, its bytes, under `root`; links by their targets.
std::vector<std::pair<std::string, std::string>> Snapshot(const std::string& root)
{
    std::vector<std::pair<std::string, std::string>> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string relative = entry.path().string().substr(root.size());
        if (entry.is_symlink())
            entries.push_back({relative, "-> " + std::filesystem::read_symlink(entry.path()).string()});
        else if (entry.is_regular_file())
            entries.push_back({relative, ReadText(entry.path().string())});
        else
            entries.push_back({relative, "dir"});
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The summary without its time, which differs from run to run.
std::string SummaryCounts(const std::string& out)
{
    return out.substr(0, out.rfind(", "));
}

TEST_F(Cli, ParallelRunsGiveTheContainersAndMessagesOfASerialRun)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("symbolic links, names that are not UTF-8 and names told apart by letter case (Windows: "
                       "WindowsCli.RecursiveRoundTrip)");
#else
    TempDir serialDir{"cli-serial"};
    TempDir parallelDir{"cli-parallel"};
    const TreeFixture serial(serialDir);
    const TreeFixture parallel(parallelDir);
    // More files than workers, of several sizes, so that they finish out of order.
    for (int i = 0; i < 24; ++i) {
        const std::string name = "/Sub/many" + std::to_string(i);
        const Bytes content = Pattern(static_cast<std::size_t>(100 + (i % 5) * 40000), 500 + static_cast<unsigned>(i));
        WriteBytes(serial.root + name, content);
        WriteBytes(parallel.root + name, content);
    }
    const std::string password = PasswordFile("tree-secret");
    for (const std::string command : {"encrypt", "decrypt"}) {
        if (command == "decrypt") {
            for (const TreeFixture* tree : {&serial, &parallel}) {
                std::filesystem::remove(tree->root + "/flink");
                std::filesystem::remove(tree->root + "/clash");
                std::filesystem::remove(tree->root + "/clash.cry");
            }
        }
        const Outcome one = Run({command, "-r", "--jobs", "1", "--password-file", password, serial.root});
        const Outcome many = Run({command, "-r", "--jobs", "3", "--password-file", password, parallel.root});
        EXPECT_EQ(one.status, many.status) << command;
        EXPECT_EQ(SummaryCounts(one.out), SummaryCounts(many.out)) << command;
        EXPECT_TRUE(Contains(one.out, command == "encrypt" ? "31 files encrypted" : "31 files decrypted")) << one.out;
        EXPECT_EQ(Replaced(one.err, serial.root, "ROOT"), Replaced(many.err, parallel.root, "ROOT")) << command;
        EXPECT_EQ(Snapshot(serial.root), Snapshot(parallel.root)) << command;
    }
    for (const auto& [name, content] : parallel.plain)
        EXPECT_TRUE(ReadBytes(parallel.root + "/" + name) == content) << name;
#endif
}

// A stop in a parallel run leaves every file either done or as it was, and the summary counts what
// was done, also files after the stopped one that another job had finished.
TEST_F(Cli, AStopInAParallelRunLeavesEachFileDoneOrUntouched)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("signals and /proc");
#else
    const Bytes big = Pattern(8u << 20, 41);
    WriteBytes(work / "a-big", big);
    std::vector<std::pair<std::string, Bytes>> small;
    for (int i = 0; i < 40; ++i) {
        small.emplace_back(std::to_string(100 + i) + ".txt", Pattern(3000, 600 + static_cast<unsigned>(i)));
        WriteBytes(work / small.back().first, small.back().second);
    }
    const pid_t pid =
        Start(io, {"encrypt", "-r", "--jobs", "2", "--method", "2", "--password-file", "-", work.path()}, "secret12\n");
    ASSERT_TRUE(WaitUntilReading(pid, work / "a-big", 3 * 10240)) << Finish(io, pid).err;
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    const Outcome o = Finish(io, pid);
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(ReadBytes(work / "a-big") == big);
    EXPECT_FALSE(std::filesystem::exists(work / "a-big.cry"));
    int done = 0;
    for (const auto& [name, content] : small) {
        if (std::filesystem::exists(work / (name + ".cry"))) {
            EXPECT_FALSE(std::filesystem::exists(work / name)) << name;
            ++done;
        } else {
            EXPECT_TRUE(ReadBytes(work / name) == content) << name;
        }
    }
    EXPECT_TRUE(Contains(o.out, std::to_string(done) + " files encrypted")) << o.out << "\n" << done;
#endif
}

TEST_F(Cli, JobsNeedsANumber)
{
    for (const std::string value : {"0", "x", "", "257", "2x"}) {
        const Outcome o = Run({"encrypt", "--jobs", value, "--password-file", PasswordFile("secret12"), work / "f"});
        EXPECT_EQ(o.status, 2) << value;
        EXPECT_TRUE(Contains(o.err, "--jobs")) << o.err;
    }
}

// A file-size limit (a quota, a full disk) makes the write fail with a message; the program is not
// killed, and the plain file stays as it was with no partial container beside it.
TEST_F(Cli, AFileSizeLimitIsAWriteFailure)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("RLIMIT_FSIZE");
#else
    const Bytes plain = Pattern(200000, 41);
    WriteBytes(work / "big", plain);
    const Outcome o =
        Finish(io, Start(io, {"encrypt", "--password-file", PasswordFile("secret12"), work / "big"}, "", "", 50000));
    EXPECT_EQ(o.status, 1) << o.err;
    EXPECT_TRUE(Contains(o.err, work / "big")) << o.err;
    EXPECT_EQ(ReadBytes(work / "big"), plain);
    EXPECT_EQ(work.List(), std::vector<std::string>{"big"});
#endif
}

namespace {

// The passwords database seen through `keys`: made as a user makes it, by encrypting with --keyfile.
class CliKeys : public CliKeyfile
{
protected:
    // The folder as the database names files in it.
    std::string Here(const std::string& name) const
    {
#if defined(_WIN32)
        // The full path with backslashes, from the drive letter on; the scratch folder's path is one.
        return work.path() + "\\" + name;
#else
        return std::filesystem::canonical(work / "").string() + "/" + name;
#endif
    }
    // A full path as the messages name it, normalised (Windows: with backslashes).
    static std::string AsTold(std::string path)
    {
#if defined(_WIN32)
        std::replace(path.begin(), path.end(), '/', '\\');
#endif
        return path;
    }
    Outcome Keys(const std::string& action, const std::vector<std::string>& names = {},
                 const std::string& masterFile = "")
    {
        std::vector<std::string> args = {
            "keys", action, "--keyfile", db, "--master-password-file", masterFile.empty() ? master : masterFile};
        args.insert(args.end(), names.begin(), names.end());
        return Run(args, "", work / "");
    }
};

#if defined(_WIN32)
// Windows names are UTF-16, so a name outside ASCII always reaches the program as valid UTF-8.
const std::string kNonAsciiName = "caf\xC3\xA9";
#else
// "caf\xE9" is Latin-1, not UTF-8: a name a file manager may have made long ago.
const std::string kNonAsciiName = "caf\xE9";
#endif

TEST_F(CliKeys, ListRemoveAndPruneWithAndWithoutTheContainers)
{
    for (const std::string name : {"a.txt", "b.txt", "c.txt", kNonAsciiName.c_str()}) {
        WriteBytes(work / name, Pattern(100, 7));
        ASSERT_EQ(EncryptStoring(work / name, "file-pass-" + name), 0) << name;
    }
    // The user deleted two containers long ago.
    std::filesystem::remove(FsPath(work / "b.txt.cry"));
    std::filesystem::remove(FsPath(work / (kNonAsciiName + ".cry")));

    Outcome o = Keys("list");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "present\t" + Here("a.txt") + "\nmissing\t" + Here("b.txt") + "\npresent\t" + Here("c.txt") +
                         "\nmissing\t" + Here(kNonAsciiName) + "\n");
    EXPECT_FALSE(Contains(o.out + o.err, "file-pass"));

    // A relative name is the file below the current directory.
    o = Keys("remove", {"c.txt"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "removed\t" + Here("c.txt") + "\n");

    // A name without an entry is told and fails the run; the other is removed all the same.
    o = Keys("remove", {Here("nope"), Here("a.txt")});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "removed\t" + Here("a.txt") + "\n");
    EXPECT_TRUE(Contains(o.err, Here("nope") + ": no password is stored under this name")) << o.err;

    o = Keys("prune");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "removed\t" + Here("b.txt") + "\nremoved\t" + Here(kNonAsciiName) + "\n");

    o = Keys("prune");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_TRUE(Contains(o.err, "no entry of a missing container")) << o.err;
    o = Keys("list");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_TRUE(Contains(o.err, "no password is stored in " + AsTold(db))) << o.err;
    // The containers themselves were never touched.
    EXPECT_EQ(work.List(), (std::vector<std::string>{"a.txt.cry", "c.txt.cry"}));
}

// A database may hold a name in another spelling than kelvane-cli's own (an older program stored a
// path as it was given; on Windows perhaps with forward slashes): remove takes a full path as list
// prints it. A relative name, in any letter case where names ignore it, is the file below the
// current directory.
TEST_F(CliKeys, AFullPathIsTakenAsListed)
{
#if defined(_WIN32)
    const std::string other = work / "old.txt";
#else
    const std::string other = Here("./old.txt");
#endif
    WriteBytes(db, pwtest::BuildDatabase("master-of-db", pwtest::TableText({Here("new.txt") + "=2", other + "=1"})));

    Outcome o = Keys("list");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "missing\t" + other + "\nmissing\t" + Here("new.txt") + "\n");

    o = Keys("remove", {other});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "removed\t" + other + "\n");

    o = Keys("remove", {kCaseSensitiveNames ? "new.txt" : "NEW.txt"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "removed\t" + Here("new.txt") + "\n");
    EXPECT_EQ(Keys("list").out, "");
}

TEST_F(CliKeys, AWrongMasterPasswordChangesNothing)
{
    WriteBytes(work / "gone", Pattern(10, 8));
    ASSERT_EQ(EncryptStoring(work / "gone", "file-pass-x"), 0);
    std::filesystem::remove(work / "gone.cry");
    const Bytes before = ReadBytes(db);
    const std::string wrong = PasswordFile("not-the-master");
    for (const std::string action : {"list", "remove", "prune"}) {
        const Outcome o = Keys(
            action, action == "remove" ? std::vector<std::string>{Here("gone")} : std::vector<std::string>{}, wrong);
        EXPECT_EQ(o.status, 1) << action;
        EXPECT_TRUE(Contains(o.err, "Invalid password.")) << action << o.err;
        EXPECT_EQ(o.out, "") << action;
        EXPECT_EQ(ReadBytes(db), before) << action;
    }
}

TEST_F(CliKeys, NoDatabaseThereIsToldWithoutAskingForTheMasterPassword)
{
    const std::string none = io / "none.key";
    const Outcome o = Run({"keys", "list", "--keyfile", none});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Contains(o.err, AsTold(none) + ": no password database there")) << o.err;
    EXPECT_FALSE(Contains(o.err, "master password")) << o.err;
    EXPECT_FALSE(Exists(none));
    EXPECT_FALSE(Exists(none + ".lock"));
}

TEST_F(CliKeys, UsageErrors)
{
    const std::vector<std::vector<std::string>> cases = {
        {"keys"},
        {"keys", "frob", "--keyfile", db},
        {"keys", "list"},
        {"keys", "list", "--keyfile"},
        {"keys", "list", "--keyfile", db, "extra"},
        {"keys", "prune", "--keyfile", db, "--method", "des"},
        {"keys", "remove", "--keyfile", db},
        {"keys", "remove", "--master-password-file", master, "x"},
    };
    for (const auto& args : cases) {
        std::string line;
        for (const auto& a : args)
            line += a + " ";
        const Outcome o = Run(args);
        EXPECT_EQ(o.status, 2) << line << o.err;
        EXPECT_TRUE(Contains(o.err, "Usage")) << line << o.err;
        EXPECT_FALSE(Exists(db)) << line;
    }
    const Outcome help = Run({"--help"});
    EXPECT_TRUE(Contains(help.out, "kelvane-cli keys remove --keyfile DB")) << help.out;
}

#if !defined(_WIN32) // flock and /proc/locks; the Windows lock has its tests in the password core
using testplatform::WaitsForALock;

// Another process in the middle of changing the database holds its lock: keys waits for it, as
// encrypt and decrypt do, and then works on what that process saved.
TEST_F(CliKeys, WaitsWhileAnotherProcessChangesTheDatabase)
{
    for (const std::string name : {"a", "b"}) {
        WriteBytes(work / name, Pattern(10, 9));
        ASSERT_EQ(EncryptStoring(work / name, "file-pass-" + name, true), 0);
    }
    std::filesystem::remove(work / "a.cry");
    std::filesystem::remove(work / "b.cry");
    const int lock = ::open((db + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    const Bytes before = ReadBytes(db);

    const pid_t pid = Start(io, {"keys", "prune", "--keyfile", db, "--master-password-file", master}, "");
    bool waiting = false;
    for (int i = 0; i < 10000 && !waiting; ++i) {
        waiting = WaitsForALock(pid);
        if (!waiting) ::usleep(1000);
    }
    EXPECT_TRUE(waiting) << "keys prune did not wait for the lock";
    EXPECT_EQ(ReadBytes(db), before);
    // Meanwhile b's container comes back: the prune decides on disk once it holds the lock.
    WriteBytes(work / "b.cry", Pattern(10, 9));
    ::flock(lock, LOCK_UN);
    ::close(lock);

    const Outcome o = Finish(io, pid);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "removed\t" + Here("a") + "\n");
    EXPECT_EQ(Keys("list").out, "present\t" + Here("b") + "\n");
}
#endif

} // namespace

#if defined(_WIN32)
// A tree on Windows, with names outside ASCII that reach the program through its UTF-16 command line:
// encrypted and decrypted back byte for byte, with the summary's counts.
TEST_F(Cli, WindowsRecursiveRoundTripWithNamesOutsideAscii)
{
    const std::string root = work / "tree";
    const std::vector<std::string> names = {"a.txt",  "With Space.txt", "\xC3\xBCn\xC3\xAF.txt",
                                            "Sub\\x", "Sub\\deeper\\z", "\xE6\x97\xA5\xE6\x9C\xAC\\y"};
    for (const std::string sub : {"", "\\Sub", "\\Sub\\deeper", "\\empty", "\\\xE6\x97\xA5\xE6\x9C\xAC"})
        std::filesystem::create_directory(FsPath(root + sub));
    long long bytes = 0;
    unsigned seed = 200;
    for (const std::string& name : names) {
        const Bytes content = Pattern(1000 + 7 * seed, seed);
        ++seed;
        WriteBytes(root + "\\" + name, content);
        bytes += static_cast<long long>(content.size());
    }
    const std::string password = PasswordFile("tree-secret");
    const Outcome enc = Run({"encrypt", "-r", "--password-file", password, root});
    EXPECT_EQ(enc.status, 0) << enc.err;
    EXPECT_TRUE(Contains(enc.out, "6 files encrypted, 0 failed, 0 skipped, " + std::to_string(bytes) + " bytes, "))
        << enc.out;
    for (const std::string& name : names) {
        EXPECT_FALSE(Exists(root + "\\" + name)) << name;
        EXPECT_EQ(MagicOf(root + "\\" + name + ".cry").size(), 4u) << name;
    }
    const Outcome dec = Run({"decrypt", "-r", "--password-file", password, root});
    EXPECT_EQ(dec.status, 0) << dec.err;
    EXPECT_TRUE(Contains(dec.out, "6 files decrypted, 0 failed, 0 skipped, ")) << dec.out;
    seed = 200;
    for (const std::string& name : names) {
        EXPECT_TRUE(ReadBytes(root + "\\" + name) == Pattern(1000 + 7 * seed, seed)) << name;
        ++seed;
        EXPECT_FALSE(Exists(root + "\\" + name + ".cry")) << name;
    }
}

// A read-only plain file is encrypted and wiped; its container keeps the read-only attribute, and so
// does the plain file it gives back.
TEST_F(Cli, WindowsReadOnlyFileRoundTrip)
{
    const Bytes plain = Pattern(30000, 210);
    WriteBytes(work / "ro.txt", plain);
    ASSERT_TRUE(testplatform::MakeReadOnly(work / "ro.txt"));
    const std::string password = PasswordFile("secret12");
    Outcome o = Run({"encrypt", "--password-file", password, work / "ro.txt"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(work.List(), std::vector<std::string>{"ro.txt.cry"});
    EXPECT_TRUE(testplatform::IsReadOnlyFile(work / "ro.txt.cry"));
    o = Run({"decrypt", "--password-file", password, work / "ro.txt.cry"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(work.List(), std::vector<std::string>{"ro.txt"});
    EXPECT_EQ(ReadBytes(work / "ro.txt"), plain);
    EXPECT_TRUE(testplatform::IsReadOnlyFile(work / "ro.txt"));
    ::SetFileAttributesW(WidePath(work / "ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}
#endif
