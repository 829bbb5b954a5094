// SPDX-License-Identifier: GPL-3.0-or-later
// The database lock on Windows: a second holder waits until the first lets go. (POSIX checks the
// same across processes with fork in PwdDbLockTests.cpp.)
#if defined(_WIN32)

#include "PwdDbLock.h"

#include "PwdTestSupport.h"

#include <atomic>
#include <chrono>
#include <thread>

using namespace pwtest;

namespace {

TEST(WindowsFiles, DatabaseLockWaitsForItsHolder)
{
    TempDir dir;
    const std::string db = dir.Path("passwords.key");
    PwdDbLock first;
    ASSERT_TRUE(first.Acquire(db));
    std::atomic<bool> secondHolds{false};
    std::thread other([&] {
        PwdDbLock second; // a handle of its own: LockFileEx locks exclude other handles
        if (second.Acquire(db)) secondHolds = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(secondHolds) << "the lock was taken twice";
    first.Release();
    other.join();
    EXPECT_TRUE(secondHolds);
    EXPECT_TRUE(testplatform::PathExists(PwdDbLock::LockPath(db)));
}

} // namespace

#endif
