// SPDX-License-Identifier: GPL-3.0-or-later
// The few things the Qt-free tests do differently on POSIX and Windows: scratch folders, looking at
// a name without following it, the read-only state of a file.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#if defined(_WIN32)
#include "WinText.h"

#include "WindowsHeader.h"
#include <random>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

// Ends a test that exercises what only POSIX has (permission modes, symbolic links made by any user,
// FIFOs, fork, signals, resource limits, /proc, /dev); on POSIX it does nothing.
#if defined(_WIN32)
#define KELVANE_POSIX_ONLY(reason) GTEST_SKIP() << "POSIX only: " << (reason)
#endif

namespace testplatform {

// UTF-8 text as a path for std::filesystem and the file streams, which read a char string in the
// code page on Windows; there also past the old 260-character limit.
inline std::filesystem::path FsPath(const std::string& utf8)
{
#if defined(_WIN32)
    return std::filesystem::path(WidePath(utf8));
#else
    return std::filesystem::path(utf8);
#endif
}

// A new empty folder "kelvane-<what>-..." in the system's temporary folder; throws on failure.
inline std::string MakeTempDir(const std::string& what)
{
#if defined(_WIN32)
    wchar_t base[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, base);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary folder");
    std::mt19937_64 generator{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path =
            NarrowToUtf8(base) + "kelvane-" + what + "-" + std::to_string(generator() % 1000000000);
        if (::CreateDirectoryW(WidenUtf8(path).c_str(), nullptr)) return path;
    }
    throw std::runtime_error("cannot create a temporary folder");
#else
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/kelvane-" + what + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
#endif
}

// True when something stands under `path`, a link or reparse point itself included.
inline bool PathExists(const std::string& path)
{
#if defined(_WIN32)
    return ::GetFileAttributesW(WidenUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
#endif
}

// Read-only for its owner: mode 0400 on POSIX, the read-only attribute on Windows.
inline bool MakeReadOnly(const std::string& path)
{
#if defined(_WIN32)
    const std::wstring wide = WidenUtf8(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           ::SetFileAttributesW(wide.c_str(), attributes | FILE_ATTRIBUTE_READONLY);
#else
    return ::chmod(path.c_str(), 0400) == 0;
#endif
}

inline bool IsReadOnlyFile(const std::string& path)
{
#if defined(_WIN32)
    const DWORD attributes = ::GetFileAttributesW(WidenUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
#else
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
#endif
}

// The longest name a file in `dir` may have, in the units the system counts.
inline long NameMax(const std::string& dir)
{
#if defined(_WIN32)
    wchar_t volume[MAX_PATH + 1];
    DWORD limit = 0;
    if (!::GetVolumePathNameW(WidenUtf8(dir).c_str(), volume, MAX_PATH + 1) ||
        !::GetVolumeInformationW(volume, nullptr, 0, nullptr, &limit, nullptr, nullptr, 0))
        return -1;
    return static_cast<long>(limit);
#else
    return ::pathconf(dir.c_str(), _PC_NAME_MAX);
#endif
}

// Every entry of `dir`, hidden ones included, as UTF-8 names.
inline std::vector<std::string> Names(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(FsPath(dir))) {
        const std::u8string name = e.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    return names;
}

} // namespace testplatform
