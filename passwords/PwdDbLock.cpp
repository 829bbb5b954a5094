// SPDX-License-Identifier: GPL-3.0-or-later
#include "PwdDbLock.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

PwdDbLock::~PwdDbLock()
{
    Release();
}

bool PwdDbLock::Acquire(const std::string& databasePath)
{
    Release();
    // No link is followed: the lock file is never created somewhere else.
    const int fd = ::open(LockPath(databasePath).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    int result;
    do {
        result = ::flock(fd, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    fd_ = fd;
    return true;
}

void PwdDbLock::Release() noexcept
{
    if (fd_ < 0) return;
    // Unlocked explicitly: a process forked meanwhile shares the descriptor, and closing only this
    // copy would leave the lock held.
    (void)::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}
