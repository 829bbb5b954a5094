// SPDX-License-Identifier: GPL-3.0-or-later
// The lock that makes reading, changing and saving the password database one step for every process
// that shares it.
#pragma once

#include <string>

// An exclusive flock (Windows: LockFileEx) on "<database>.lock" beside the database. Not on the database itself: a save
// renames a new file into its place, so a lock on the old file would not exclude a process that has
// opened the new one. The lock file stays; removing it could let two processes lock two files.
class PwdDbLock
{
public:
    PwdDbLock() = default;
    ~PwdDbLock();
    PwdDbLock(const PwdDbLock&) = delete;
    PwdDbLock& operator=(const PwdDbLock&) = delete;

    // Waits until this process holds the lock for the database file `databasePath` (the file a save
    // replaces, links resolved). False, with errno set, when the lock file cannot be opened or created
    // or the lock cannot be taken.
    bool Acquire(const std::string& databasePath);
    // Releases the lock; also done on destruction.
    void Release() noexcept;

    static std::string LockPath(const std::string& databasePath) { return databasePath + ".lock"; }

private:
#if defined(_WIN32)
    void* handle_ = nullptr; // the lock file's HANDLE
#else
    int fd_ = -1;
#endif
};
