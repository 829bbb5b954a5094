// SPDX-License-Identifier: GPL-3.0-or-later
// <windows.h> without the macros that would rename our own functions of the same names
// (EncryptFile, DecryptFile, GetFileAttributes, SetFileAttributes) wherever both are seen.
#pragma once

#include <windows.h>

#undef EncryptFile
#undef DecryptFile
#undef GetFileAttributes
#undef SetFileAttributes
