// SPDX-License-Identifier: GPL-3.0-or-later
#include "WinText.h"

#include <cerrno>
#include <windows.h>

std::wstring WidenUtf8(const std::string& utf8)
{
    if (utf8.empty()) return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::wstring WidePath(const std::string& utf8)
{
    std::wstring wide = WidenUtf8(utf8);
    // Well below MAX_PATH, since a name may still be appended to a directory's path.
    if (wide.size() < 200 || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
    const DWORD length = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return wide;
    std::wstring full(length, L'\0');
    const DWORD written = ::GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) return wide;
    full.resize(written);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2); // \\server\share
    return L"\\\\?\\" + full;
}

std::string NarrowToUtf8(const std::wstring& wide)
{
    if (wide.empty()) return {};
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr,
                          nullptr);
    return utf8;
}

int SetErrnoFromWin32(unsigned long win32Error)
{
    int value;
    switch (win32Error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
        value = ENOENT;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        value = EACCES;
        break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        value = EEXIST;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        value = ENOSPC;
        break;
    case ERROR_FILENAME_EXCED_RANGE:
        value = ENAMETOOLONG;
        break;
    case ERROR_DIRECTORY:
        value = ENOTDIR;
        break;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        value = ENOMEM;
        break;
    case ERROR_NOT_SAME_DEVICE:
        value = EXDEV;
        break;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
        value = EINVAL;
        break;
    case ERROR_CANT_RESOLVE_FILENAME:
        value = ELOOP;
        break;
    default:
        value = EIO;
        break;
    }
    errno = value;
    return value;
}

int SetErrnoFromWin32()
{
    return SetErrnoFromWin32(::GetLastError());
}
