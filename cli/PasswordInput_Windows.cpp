// SPDX-License-Identifier: GPL-3.0-or-later
// Asking for a password on the Windows console: echo off for the one line, read as UTF-16 so that
// every character arrives, and given back as UTF-8 like any other text of the program.
#include "PasswordInput.h"

#include "SecureZero.h"
#include "WinText.h"

#include "WindowsHeader.h"

std::optional<SecretText> AskOnTerminal(const std::string& prompt, const std::atomic<bool>* stop)
{
    // The console itself, also when standard input and output are redirected.
    HANDLE in = ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return std::nullopt;
    HANDLE out = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    DWORD saved = 0;
    if (!::GetConsoleMode(in, &saved)) {
        ::CloseHandle(in);
        if (out != INVALID_HANDLE_VALUE) ::CloseHandle(out);
        return std::nullopt;
    }
    ::SetConsoleMode(in, (saved | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    const auto show = [out](const std::wstring& text) {
        DWORD shown = 0;
        if (out != INVALID_HANDLE_VALUE)
            ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &shown, nullptr);
    };
    show(WidenUtf8(prompt));

    // Room for the longest secret and its line end; a longer line is refused as on POSIX.
    std::wstring wide(kMaxSecretLine + 2, L'\0');
    DWORD got = 0;
    const bool read = ::ReadConsoleW(in, wide.data(), static_cast<DWORD>(wide.size()), &got, nullptr) != 0;
    ::SetConsoleMode(in, saved);
    show(L"\r\n"); // the Enter that was not echoed
    ::CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) ::CloseHandle(out);

    std::size_t length = read ? got : 0;
    const bool ended = length > 0 && wide[length - 1] == L'\n';
    while (length > 0 && (wide[length - 1] == L'\n' || wide[length - 1] == L'\r'))
        --length;
    const bool stopped = stop != nullptr && stop->load();
    std::string line;
    if (read && ended && !stopped) {
        line = NarrowToUtf8(wide.substr(0, length));
        if (line.size() > kMaxSecretLine) {
            SecureZero(line.data(), line.size());
            line.clear();
            SecureZero(wide.data(), wide.size() * sizeof(wchar_t));
            return std::nullopt;
        }
    }
    SecureZero(wide.data(), wide.size() * sizeof(wchar_t));
    if (!read || !ended || stopped) return std::nullopt;
    return SecretText(std::move(line));
}
