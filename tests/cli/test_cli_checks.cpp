// SPDX-License-Identifier: GPL-3.0-or-later
// kelvane-cli verify and rekey as a user runs them: the real binary on containers in a scratch
// folder, its lines, its exit status, and the containers left after every failure.
#include "TKV_Pwd.h"

#include "../engine/FileTestSupport.h"
#include "TerminalSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace filetest;

struct Ran
{
    int status = -1;
    std::string out;
    std::string err;
};

std::string Text(const std::string& path)
{
    const Bytes b = ReadBytes(path);
    return std::string(b.begin(), b.end());
}

class CliChecks : public ::testing::Test
{
protected:
    // kelvane-cli with `args`, without a terminal, standard input from `input`; `fileSizeLimit` (when
    // not negative) caps the size of every file it writes, as a full disk would.
    Ran Run(std::vector<std::string> args, const std::string& input = "", long long fileSizeLimit = -1)
    {
        WriteBytes(io / "in", Bytes(input.begin(), input.end()));
        args.insert(args.begin(), KELVANE_CLI_PATH);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setsid();
            if (fileSizeLimit >= 0) {
                const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
                if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(127);
            }
            const int i = ::open((io / "in").c_str(), O_RDONLY);
            const int o = ::open((io / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = ::open((io / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (i < 0 || o < 0 || e < 0 || ::dup2(i, 0) < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0) ::_exit(127);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        Ran ran;
        int status = 0;
        if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) ran.status = WEXITSTATUS(status);
        ran.out = Text(io / "out");
        ran.err = Text(io / "err");
        return ran;
    }

    std::string PasswordFile(const std::string& password)
    {
        const std::string path = io / ("pw" + std::to_string(++files_));
        WriteBytes(path, Bytes(password.begin(), password.end()));
        std::ofstream(path, std::ios::app) << "\n";
        return path;
    }

    // `plain` encrypted as work/name.cry.
    Bytes Container(const std::string& name, const Bytes& plain, int method, const std::string& password)
    {
        WriteBytes(work / name, plain);
        TKV_Pwd pwd;
        pwd.SetPassword(password);
        if (pwd.EncryptFile(work / name, method, true) != 0) throw std::runtime_error("encryption failed");
        std::filesystem::remove(work / name);
        return ReadBytes(work / (name + ".cry"));
    }

    static int Opens(const std::string& container, const std::string& password)
    {
        TKV_Pwd pwd;
        pwd.SetPassword(password);
        return pwd.VerifyFile(container);
    }

    TempDir work{"cli-checks"};
    TempDir io{"cli-checks-io"};

private:
    int files_ = 0;
};

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST_F(CliChecks, VerifyTellsEachContainerApartAndWritesNothing)
{
    const std::string pw = "folder-pass";
    struct Case
    {
        const char* name;
        int method;
        const char* line;
    };
    const Case cases[] = {
        {"a", 0, "intact"},        {"b", 1, "intact"},      {"c", 2, "intact"},
        {"d", 3, "intact"},        {"e", 4, "intact"},      {"other", 1, "wrong password"},
        {"damaged", 4, "damaged"}, {"cut", 3, "truncated"},
    };
    std::vector<std::string> args = {"verify", "--password-file", PasswordFile(pw)};
    for (const Case& c : cases) {
        Bytes container = Container(c.name, Pattern(50000, static_cast<unsigned>(c.method)), c.method,
                                    std::string(c.name) == "other" ? "someone else's" : pw);
        if (std::string(c.name) == "damaged") container[container.size() / 2] ^= 1;
        if (std::string(c.name) == "cut") container.resize(container.size() - 100);
        WriteBytes(work / (std::string(c.name) + ".cry"), container);
        args.push_back(work / (std::string(c.name) + ".cry"));
    }
    const auto listed = work.List();

    const Ran all = Run(args);
    EXPECT_EQ(all.status, 1) << all.err;
    std::string expected;
    for (const Case& c : cases)
        expected += work / (std::string(c.name) + ".cry: ") + c.line + "\n";
    EXPECT_EQ(all.out, expected);
    EXPECT_TRUE(Has(all.err, "Invalid password for the file " + work / "other.cry")) << all.err;
    EXPECT_TRUE(Has(all.err, "is damaged")) << all.err;
    EXPECT_TRUE(Has(all.err, "is incomplete")) << all.err;
    EXPECT_EQ(work.List(), listed);

    // Only intact containers: success.
    const Ran intact = Run({"verify", "--password-file", PasswordFile(pw), work / "a.cry", work / "e.cry"});
    EXPECT_EQ(intact.status, 0) << intact.err;
    EXPECT_EQ(intact.out, work / "a.cry: intact\n" + work / "e.cry: intact\n");
}

TEST_F(CliChecks, RekeyGivesANewPasswordAndMethod)
{
    const Bytes plain = Pattern(70000, 5);
    Container("r", plain, 1, "old-password");
    Container("s", plain, 3, "old-password");
    ::chmod((work / "r.cry").c_str(), 0604);

    // Without --method each keeps its own.
    const Ran kept = Run({"rekey", "--password-file", PasswordFile("old-password"), "--new-password-file",
                          PasswordFile("newpass8"), work / "r.cry", work / "s.cry"});
    EXPECT_EQ(kept.status, 0) << kept.err;
    EXPECT_EQ(kept.out, work / "r.cry: new password, IDEA\n" + work / "s.cry: new password, DES\n");
    EXPECT_EQ(Opens(work / "r.cry", "newpass8"), 0);
    EXPECT_EQ(Opens(work / "s.cry", "newpass8"), 0);
    EXPECT_EQ(Opens(work / "r.cry", "old-password"), -11);
    EXPECT_EQ(work.List(), (std::vector<std::string>{"r.cry", "s.cry"}));
    struct stat st;
    ASSERT_EQ(::stat((work / "r.cry").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0604u);

    // With --method, and decrypted afterwards as the user would.
    const Ran method = Run({"rekey", "--method", "3xdes", "--password-file", PasswordFile("newpass8"),
                            "--new-password-file", PasswordFile("a much longer password"), work / "r.cry"});
    EXPECT_EQ(method.status, 0) << method.err;
    EXPECT_EQ(method.out, work / "r.cry: new password, 3xDES\n");
    const Ran decrypted = Run({"decrypt", "--password-file", PasswordFile("a much longer password"), work / "r.cry"});
    EXPECT_EQ(decrypted.status, 0) << decrypted.err;
    EXPECT_EQ(ReadBytes(work / "r"), plain);
}

TEST_F(CliChecks, ANewPasswordMustSuitItsMethod)
{
    const Bytes des = Container("d", Pattern(900, 1), 3, "old-password");
    const Bytes idea = Container("i", Pattern(900, 2), 1, "old-password");
    // 12 bytes: too long for DES (8), fine for IDEA (16).
    const Ran o = Run({"rekey", "--password-file", PasswordFile("old-password"), "--new-password-file",
                       PasswordFile("twelve bytes"), work / "d.cry", work / "i.cry"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, work / "d.cry: unchanged\n" + work / "i.cry: new password, IDEA\n");
    EXPECT_EQ(ReadBytes(work / "d.cry"), des);
    // Too short for any method: nothing is touched.
    const Ran shortOne = Run({"rekey", "--password-file", PasswordFile("twelve bytes"), "--new-password-file",
                              PasswordFile("abc"), work / "i.cry"});
    EXPECT_EQ(shortOne.status, 1);
    EXPECT_EQ(Opens(work / "i.cry", "twelve bytes"), 0);
}

TEST_F(CliChecks, AFailedRekeyLeavesTheOldContainer)
{
    struct Case
    {
        const char* label;
        const char* oldPassword;
        bool damage;
        long long fileSizeLimit;
        const char* message;
    };
    const Case cases[] = {
        {"wrong old password", "not the password", false, -1, "Invalid password"},
        {"damaged", "old-password", true, -1, "is damaged"},
        {"full disk", "old-password", false, 100000, "The disk may be full"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Bytes container = Container("f", Pattern(400000, 8), 4, "old-password");
        if (c.damage) container[container.size() - 30] ^= 0x40;
        WriteBytes(work / "f.cry", container);
        const Ran o = Run({"rekey", "--password-file", PasswordFile(c.oldPassword), "--new-password-file",
                           PasswordFile("new-password"), work / "f.cry"},
                          "", c.fileSizeLimit);
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.out, work / "f.cry: unchanged\n");
        EXPECT_TRUE(Has(o.err, c.message)) << o.err;
        EXPECT_EQ(ReadBytes(work / "f.cry"), container);
        EXPECT_EQ(work.List(), std::vector<std::string>{"f.cry"});
    }
}

TEST_F(CliChecks, TheStoredPasswordServesAndIsReplaced)
{
    const std::string db = io / "passwords.key";
    const std::string master = PasswordFile("master-of-db");
    const Bytes plain = Pattern(3000, 9);
    WriteBytes(work / "k", plain);
    const Ran stored = Run({"encrypt", "--password-file", PasswordFile("stored-pass"), "--keyfile", db,
                            "--master-password-file", master, work / "k"});
    ASSERT_EQ(stored.status, 0) << stored.err;

    // No --password-file and no terminal: only the database can give the old password.
    const Ran verified = Run({"verify", "--keyfile", db, "--master-password-file", master, work / "k.cry"});
    EXPECT_EQ(verified.status, 0) << verified.err;
    EXPECT_EQ(verified.out, work / "k.cry: intact\n");

    const Ran rekeyed = Run({"rekey", "--keyfile", db, "--master-password-file", master, "--new-password-file",
                             PasswordFile("replaced-pass"), work / "k.cry"});
    EXPECT_EQ(rekeyed.status, 0) << rekeyed.err;
    EXPECT_EQ(Opens(work / "k.cry", "replaced-pass"), 0);
    // The database now holds the new password: decryption needs nothing else.
    const Ran decrypted = Run({"decrypt", "--keyfile", db, "--master-password-file", master, work / "k.cry"});
    EXPECT_EQ(decrypted.status, 0) << decrypted.err;
    EXPECT_EQ(ReadBytes(work / "k"), plain);
}

TEST_F(CliChecks, UsageErrors)
{
    const std::vector<std::vector<std::string>> cases = {
        {"verify", "--new-password-file", "x", "a.cry"},
        {"verify", "--method", "des", "a.cry"},
        {"rekey", "--password-file", "-", "--new-password-file", "-", "a.cry"},
        {"rekey", "--new-password-file", "-", "--keyfile", "db", "--master-password-file", "-", "a.cry"},
        {"rekey", "--method", "rot13", "a.cry"},
        {"rekey"},
    };
    for (const auto& args : cases) {
        const Ran o = Run(args);
        EXPECT_EQ(o.status, 2) << args[1];
        EXPECT_TRUE(Has(o.err, "Usage:")) << o.err;
    }
}

// On a terminal the new password is asked twice; a second entry that differs asks again.
TEST_F(CliChecks, TheNewPasswordIsAskedTwiceOnATerminal)
{
    Container("t", Pattern(2000, 3), 1, "old-password");
    const std::string target = work / "t.cry";
    const terminaltest::TerminalRun run =
        terminaltest::RunOnTerminal({"rekey", "--password-file", PasswordFile("old-password"), target},
                                    {"first-new", "mistyped!", "second-new", "second-new"});
    ASSERT_EQ(run.prompts.size(), 4u) << run.screen;
    for (std::size_t i = 0; i < run.prompts.size(); ++i)
        EXPECT_EQ(run.prompts[i].rfind(i % 2 == 0 ? "Enter the new password" : "Reenter the new password", 0), 0u)
            << run.prompts[i];
    EXPECT_EQ(run.status, 0) << run.screen;
    EXPECT_NE(run.screen.find("new password, IDEA"), std::string::npos) << run.screen;
    EXPECT_EQ(Opens(target, "second-new"), 0);
}

} // namespace
