// SPDX-License-Identifier: GPL-3.0-or-later
// Two processes changing one database: the second saves while the first has read it and not yet
// saved. Neither change may be lost.
#include "PwdTestSupport.h"

#include "PwdDbLock.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#if !defined(_WIN32)
#include "../common/ProcLocks.h"

#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace pwtest;

namespace {

#if !defined(_WIN32)
using testplatform::WaitsForALock;
#endif

enum class FirstChange
{
    Store,   // StorePassword of "/first"
    Confirm, // a recalled "/old" removed after its decryption
    Remove,  // the stored name "/old" removed
    Prune,   // "/old" pruned: no "/old.cry" is there
};

struct TwoProcessCase
{
    const char* label;
    FirstChange first;
    std::vector<std::string> expected;
};

class TwoProcesses : public TableTest, public ::testing::WithParamInterface<TwoProcessCase>
{
};

TEST_P(TwoProcesses, KeepEachOthersChanges)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("fork and /proc/locks (Windows: WindowsFiles.DatabaseLockWaitsForItsHolder)");
#else
    const TwoProcessCase& c = GetParam();
    WriteDatabase({"/old=old-pass"});
    EnterMaster();
    TKV_Pwd pwd;
    pwd.SetPassword("first-pass");
    RecalledPassword recalled;
    if (c.first == FirstChange::Confirm) {
        recalled = table.TakePassword("/old", pwd);
        ASSERT_TRUE(recalled);
    }

    pid_t second = -1;
    bool secondEnded = false;
    int secondStatus = 0;
    // Called after each chunk the first table reads: it has read the database and not saved it yet.
    table.Master.ProcessMessages = [&] {
        if (second >= 0) return;
        second = ::fork();
        if (second == 0) {
            ScriptedUi quiet;
            TKV_PwdTable other(quiet);
            other.Master.Dir = db;
            other.Master.SetPassword(kMaster);
            other.Master.Entered = true;
            TKV_Pwd otherPwd;
            otherPwd.SetPassword("second-pass");
            ::_exit(other.StorePassword("/second", otherPwd) ? 0 : 1);
        }
        // Until the second process has saved, or is waiting for the first to finish.
        while (second > 0 && !WaitsForALock(second)) {
            if (::waitpid(second, &secondStatus, WNOHANG) == second) {
                secondEnded = true;
                break;
            }
            ::usleep(1000);
        }
    };
    NameRemoval removal;
    switch (c.first) {
    case FirstChange::Store:
        EXPECT_TRUE(table.StorePassword("/first", pwd));
        break;
    case FirstChange::Confirm:
        EXPECT_TRUE(recalled.Confirm());
        break;
    case FirstChange::Remove:
        EXPECT_EQ(table.RemoveStoredNames({"/old"}, removal), kResultOk);
        EXPECT_EQ(removal.Removed, std::vector<std::string>{"/old"});
        break;
    case FirstChange::Prune:
        EXPECT_EQ(table.PruneStoredNames(removal), kResultOk);
        EXPECT_EQ(removal.Removed, std::vector<std::string>{"/old"});
        break;
    }
    table.Master.ProcessMessages = nullptr;

    ASSERT_GT(second, 0);
    if (!secondEnded) {
        ASSERT_EQ(::waitpid(second, &secondStatus, 0), second);
    }
    ASSERT_TRUE(WIFEXITED(secondStatus));
    EXPECT_EQ(WEXITSTATUS(secondStatus), 0);
    EXPECT_EQ(DatabaseLines(), c.expected);
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Changes, TwoProcesses,
    ::testing::Values(
        TwoProcessCase{"Store", FirstChange::Store, {"/first=first-pass", "/old=old-pass", "/second=second-pass"}},
        TwoProcessCase{"Confirm", FirstChange::Confirm, {"/second=second-pass"}},
        TwoProcessCase{"Remove", FirstChange::Remove, {"/second=second-pass"}},
        TwoProcessCase{"Prune", FirstChange::Prune, {"/second=second-pass"}}),
    [](const ::testing::TestParamInfo<TwoProcessCase>& info) { return std::string(info.param.label); });

// While another process holds the lock (in the middle of its own change), removing waits, as storing
// does, and then works on what that process saved.
class WhileLocked : public TableTest, public ::testing::WithParamInterface<FirstChange>
{
};

TEST_P(WhileLocked, RemovingWaitsForTheLockAndKeepsTheOtherProcesssChange)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("fork and /proc/locks (Windows: WindowsFiles.DatabaseLockWaitsForItsHolder)");
#else
    WriteDatabase({"/old=old-pass"});
    const std::string kept = dir.Path("kept");
    WriteBytes(kept + ".cry", ToBytes("its container"));
    EnterMaster();
    int toChild[2], fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        PwdDbLock lock;
        char byte = lock.Acquire(db) ? 'L' : 'F';
        if (::write(fromChild[1], &byte, 1) != 1) ::_exit(2);
        // Told to finish: the change this process made while holding the lock, then the release.
        if (::read(toChild[0], &byte, 1) != 1) ::_exit(3);
        WriteDatabase({"/old=old-pass", kept + "=kept-pass"});
        lock.Release();
        ::_exit(0);
    }
    ASSERT_GT(holder, 0);
    char byte = 0;
    ASSERT_EQ(::read(fromChild[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'L');

    int code = 1;
    NameRemoval removal;
    std::thread remover([&] {
        code = GetParam() == FirstChange::Remove ? table.RemoveStoredNames({"/old"}, removal)
                                                 : table.PruneStoredNames(removal);
    });
    bool waited = false;
    for (int i = 0; i < 5000 && !waited; ++i) {
        waited = WaitsForALock(::getpid());
        if (!waited) ::usleep(1000);
    }
    EXPECT_TRUE(waited) << "the removal did not wait for the lock";
    EXPECT_EQ(DatabaseLines(), std::vector<std::string>{"/old=old-pass"});

    byte = 'G';
    EXPECT_EQ(::write(toChild[1], &byte, 1), 1);
    remover.join();
    int status = 0;
    ASSERT_EQ(::waitpid(holder, &status, 0), holder);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]})
        ::close(fd);

    EXPECT_EQ(code, kResultOk);
    EXPECT_EQ(removal.Removed, std::vector<std::string>{"/old"});
    EXPECT_EQ(DatabaseLines(), std::vector<std::string>{kept + "=kept-pass"});
#endif
}

INSTANTIATE_TEST_SUITE_P(Changes, WhileLocked, ::testing::Values(FirstChange::Remove, FirstChange::Prune),
                         [](const ::testing::TestParamInfo<FirstChange>& info) {
                             return std::string(info.param == FirstChange::Remove ? "Remove" : "Prune");
                         });

// Every name of the database finds the same lock: it lies beside the file a save replaces.
TEST_F(TableTest, TheLockLiesBesideTheFileASaveReplaces)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("symbolic links");
#else
    const std::string real = dir.Path("real.key");
    WriteDatabase({"/a=1"});
    std::filesystem::rename(db, real);
    std::filesystem::create_symlink(real, db);
    EnterMaster();
    TKV_Pwd pwd;
    pwd.SetPassword("b-pass");
    ASSERT_TRUE(table.StorePassword("/b", pwd));
    std::vector<std::string> names = dir.Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"passwords.key", "real.key", "real.key.lock"}));
#endif
}

} // namespace
