// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowsConsole.h"

#include "WinText.h"

#include <cstdlib>

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

namespace {

UINT g_consoleCodePage = 0;

void RestoreConsoleCodePage()
{
    ::SetConsoleOutputCP(g_consoleCodePage);
}

} // namespace

void UseUtf8Console()
{
    // The code page belongs to the console, which outlives the program: it is put back at exit.
    g_consoleCodePage = ::GetConsoleOutputCP();
    if (g_consoleCodePage == 0 || g_consoleCodePage == CP_UTF8 || !::SetConsoleOutputCP(CP_UTF8)) return;
    std::atexit(RestoreConsoleCodePage);
}
