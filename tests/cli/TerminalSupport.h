// SPDX-License-Identifier: GPL-3.0-or-later
// kelvane-cli on a pseudo-terminal, as a user at a shell meets its prompts.
#pragma once

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace terminaltest {

struct TerminalRun
{
    int status = -1;
    std::string screen;
    std::vector<std::string> prompts;
};

// Runs kelvane-cli on a new pseudo-terminal and types the next answer whenever a line ends in ": ".
inline TerminalRun RunOnTerminal(const std::vector<std::string>& args, const std::vector<std::string>& answers)
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

} // namespace terminaltest
