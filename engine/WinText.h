// SPDX-License-Identifier: GPL-3.0-or-later
// Windows only: names are UTF-8 everywhere in the program and UTF-16 in every Win32 call; Win32
// errors are told to callers as errno values, as the POSIX layer tells them.
#pragma once

#if defined(_WIN32)

#include <string>

// UTF-8 to UTF-16; an invalid sequence becomes U+FFFD, so a name that cannot exist is not found.
std::wstring WidenUtf8(const std::string& utf8);
// A path for the Win32 file calls: UTF-16, and past the old 260-character limit in the "\\?\" form
// of its full path, which has no such limit.
std::wstring WidePath(const std::string& utf8);
// UTF-16 to UTF-8.
std::string NarrowToUtf8(const std::wstring& wide);
// Sets errno from GetLastError() (or from `win32Error`) and returns the errno value.
int SetErrnoFromWin32();
int SetErrnoFromWin32(unsigned long win32Error);

#endif
