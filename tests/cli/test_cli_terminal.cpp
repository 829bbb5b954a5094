// SPDX-License-Identifier: GPL-3.0-or-later
// kelvane-cli asking on a terminal, as a user at a shell meets it: a pseudo-terminal answers each
// prompt in turn.
#include "../engine/FileTestSupport.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

using namespace filetest;

struct TerminalRun
{
    int status = -1;
    std::string screen;
    std::vector<std::string> prompts;
};

// Runs kelvane-cli on a new pseudo-terminal and types the next answer whenever a line ends in ": ".
TerminalRun RunOnTerminal(const std::vector<std::string>& args, const std::vector<std::string>& answers)
{
    std::vector<std::string> all{KELVANE_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    TerminalRun run;
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (pid < 0) return run;
    std::size_t answered = 0;
    std::string line;
    for (;;) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0) break; // a program that waits for more than the test has
        char buffer[512];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) break; // EIO once the program has ended
        run.screen.append(buffer, static_cast<std::size_t>(n));
        line.append(buffer, static_cast<std::size_t>(n));
        const std::size_t newline = line.find_last_of('\n');
        if (newline != std::string::npos) line.erase(0, newline + 1);
        if (line.size() >= 2 && line.compare(line.size() - 2, 2, ": ") == 0) {
            run.prompts.push_back(line);
            line.clear();
            const std::string answer = (answered < answers.size() ? answers[answered++] : std::string()) + "\n";
            if (::write(master, answer.data(), answer.size()) < 0) break;
        }
    }
    ::close(master);
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    return run;
}

int CountPrefix(const std::vector<std::string>& prompts, const std::string& prefix)
{
    int count = 0;
    for (const std::string& prompt : prompts)
        count += prompt.rfind(prefix, 0) == 0 ? 1 : 0;
    return count;
}

TEST(CliTerminal, TheMasterPasswordIsTypedTwiceForANewDatabaseAndOnceForAnExistingOne)
{
    TempDir work{"cli-terminal"};
    const std::string db = work / "xwords";
    WriteBytes(work / "a.txt", Pattern(100, 1));
    const std::string pw = "secret12\n";
    WriteBytes(work / "pw", Bytes(pw.begin(), pw.end()));
    const std::string reenter = "Reenter the master password";

    const TerminalRun created = RunOnTerminal(
        {"encrypt", "--password-file", work / "pw", "--keyfile", db, work / "a.txt"}, {"master12", "master12"});
    EXPECT_EQ(created.status, 0) << created.screen;
    EXPECT_EQ(CountPrefix(created.prompts, "Master password"), 1) << created.screen;
    EXPECT_EQ(CountPrefix(created.prompts, reenter), 1) << created.screen;

    const TerminalRun listed = RunOnTerminal({"keys", "list", "--keyfile", db}, {"master12"});
    EXPECT_EQ(listed.status, 0) << listed.screen;
    EXPECT_EQ(CountPrefix(listed.prompts, reenter), 0) << listed.screen;
    EXPECT_NE(listed.screen.find("present\t" + (work / "a.txt")), std::string::npos) << listed.screen;

    // A wrong one is told and asked again, still once per try.
    const TerminalRun retried = RunOnTerminal({"keys", "list", "--keyfile", db}, {"wrong999", "master12"});
    EXPECT_EQ(retried.status, 0) << retried.screen;
    EXPECT_EQ(CountPrefix(retried.prompts, "Master password"), 2) << retried.screen;
    EXPECT_EQ(CountPrefix(retried.prompts, reenter), 0) << retried.screen;
}

} // namespace
