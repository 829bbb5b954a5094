// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowsConsole.h"

#include "WinText.h"

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

std::vector<std::string> Utf8Arguments()
{
    std::vector<std::string> args;
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return args;
    for (int i = 1; i < count; ++i)
        args.push_back(NarrowToUtf8(wide[i]));
    ::LocalFree(wide);
    return args;
}

void UseUtf8Console()
{
    ::SetConsoleOutputCP(CP_UTF8);
}
