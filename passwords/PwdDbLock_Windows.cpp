// SPDX-License-Identifier: GPL-3.0-or-later
// PwdDbLock on Windows: an exclusive byte-range lock (LockFileEx) on the first byte of the lock file,
// which waits as flock does and goes with the handle when the process ends.
#include "PwdDbLock.h"

#include "WinText.h"

#include "WindowsHeader.h"
#include <cerrno>

PwdDbLock::~PwdDbLock()
{
    Release();
}

bool PwdDbLock::Acquire(const std::string& databasePath)
{
    Release();
    // No reparse point is followed: the lock file is never created somewhere else.
    HANDLE handle = ::CreateFileW(WidePath(LockPath(databasePath)).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        SetErrnoFromWin32();
        return false;
    }
    OVERLAPPED at{};
    if (!::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(handle);
        SetErrnoFromWin32(error);
        return false;
    }
    handle_ = handle;
    return true;
}

void PwdDbLock::Release() noexcept
{
    if (handle_ == nullptr) return;
    OVERLAPPED at{};
    ::UnlockFileEx(handle_, 0, 1, 0, &at);
    ::CloseHandle(handle_);
    handle_ = nullptr;
}
