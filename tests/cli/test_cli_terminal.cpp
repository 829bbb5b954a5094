// SPDX-License-Identifier: GPL-3.0-or-later
// kelvane-cli asking on a terminal, as a user at a shell meets it: a pseudo-terminal answers each
// prompt in turn.
#include "../engine/FileTestSupport.h"

#include <gtest/gtest.h>

#include "TerminalSupport.h"

#include <string>
#include <vector>

namespace {

using namespace filetest;
using namespace terminaltest;

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
