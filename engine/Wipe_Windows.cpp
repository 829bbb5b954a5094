// SPDX-License-Identifier: GPL-3.0-or-later
// WipeFile on Windows, step for step as on POSIX (Wipe.cpp), with Win32 handles: the file is opened
// without following a reparse point and shared only for reading and renaming, so nobody writes it
// meanwhile.
#include "Wipe.h"

#include "FileSystem.h"
#include "ResultCodes.h"
#include "WinText.h"

#include "WindowsHeader.h"
#include <algorithm>
#include <cerrno>
#include <random>

namespace {

constexpr std::size_t kPatternSize = 1024;
constexpr int kWipeFailed = -2;
constexpr const char* kFirstTilde = "~~~~~~~~.~~~";
constexpr const char* kSecondTilde = "~";
constexpr int kTildeNames = 10000;

void DefaultFill(std::uint8_t* buffer, std::size_t count)
{
    std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t i = 0; i < count; ++i)
        buffer[i] = static_cast<std::uint8_t>(byte(generator));
}

bool Seek(HANDLE handle, long long offset)
{
    LARGE_INTEGER to{};
    to.QuadPart = offset;
    return ::SetFilePointerEx(handle, to, nullptr, FILE_BEGIN) != 0;
}

// Overwrites the open file once with the pattern and flushes it; false on any failure.
bool Overwrite(HANDLE handle, const std::uint8_t* pattern)
{
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle, &size) || !Seek(handle, 0)) return false;
    long long written = 0;
    while (written < size.QuadPart) {
        const auto block = static_cast<DWORD>(std::min<long long>(kPatternSize, size.QuadPart - written));
        DWORD n = 0;
        if (!::WriteFile(handle, pattern, block, &n, nullptr) || n == 0) return false;
        written += n;
    }
    // The pattern must reach the disk before the truncation frees the clusters.
    return ::FlushFileBuffers(handle) != 0;
}

struct OpenedFile
{
    HANDLE handle = INVALID_HANDLE_VALUE; // invalid on failure, and for a shared read-only file
    bool shared = false;                  // other names (hard links) share the data
    BY_HANDLE_FILE_INFORMATION info{};    // as opened
};

BY_HANDLE_FILE_INFORMATION InformationOf(const std::string& path, bool& ok)
{
    BY_HANDLE_FILE_INFORMATION info{};
    HANDLE handle = ::CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ok = handle != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(handle, &info);
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    return info;
}

bool IsRegular(const BY_HANDLE_FILE_INFORMATION& info)
{
    return (info.dwFileAttributes &
            (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

// Opens the regular file `path` for writing, never through a reparse point. Its attributes become
// "archive only" first (Windows refuses to delete a read-only file at the end, and an administrator's
// handle would not even be refused the writing), unless other names share it: they keep theirs.
OpenedFile OpenForWipe(const std::string& path)
{
    OpenedFile opened;
    bool ok = false;
    const BY_HANDLE_FILE_INFORMATION before = InformationOf(path, ok);
    if (!ok || !IsRegular(before)) return opened;
    if (before.nNumberOfLinks > 1) {
        opened.shared = true;
        return opened;
    }
    constexpr DWORD kNotArchiveOnly = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if ((before.dwFileAttributes & kNotArchiveOnly) != 0 && !SetArchiveOnly(path)) return opened;
    opened.handle =
        ::CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (opened.handle == INVALID_HANDLE_VALUE) return opened;
    BY_HANDLE_FILE_INFORMATION& info = opened.info;
    if (!::GetFileInformationByHandle(opened.handle, &info) || !IsRegular(info) ||
        ::GetFileType(opened.handle) != FILE_TYPE_DISK) {
        ::CloseHandle(opened.handle);
        opened.handle = INVALID_HANDLE_VALUE;
        return opened;
    }
    opened.shared = info.nNumberOfLinks > 1;
    return opened;
}

std::string RenameToFreeTildeName(const std::string& from, const std::string& dir, const std::string& base)
{
    for (int n = 0; n < kTildeNames; ++n) {
        const std::string to = JoinPath(dir, n == 0 ? base : base + std::to_string(n));
        if (RenameNoReplace(from, to)) return to;
        if (errno != EEXIST) return {};
    }
    return {};
}

// True when `path` still names the file whose identity was taken when it was opened. (Taken then,
// not now: wine answers for a handle through the name it was opened by, which the renames took.)
bool Names(const std::string& path, const BY_HANDLE_FILE_INFORMATION& opened)
{
    bool ok = false;
    const BY_HANDLE_FILE_INFORMATION byName = InformationOf(path, ok);
    return ok && byName.dwVolumeSerialNumber == opened.dwVolumeSerialNumber &&
           byName.nFileIndexHigh == opened.nFileIndexHigh && byName.nFileIndexLow == opened.nFileIndexLow;
}

// Removes only the name `path` of a file that has others. A read-only attribute, which belongs to the
// file and so to all its names, is lifted for the deletion and put back through a handle that
// outlives this name.
int RemoveThisName(const std::string& path)
{
    const std::wstring wide = WidePath(path);
    if (::DeleteFileW(wide.c_str())) return kResultRemovedNotWiped;
    if (::GetLastError() != ERROR_ACCESS_DENIED) return kWipeFailed;
    HANDLE keep = ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (keep == INVALID_HANDLE_VALUE) return kWipeFailed;
    FILE_BASIC_INFO before{};
    bool removed = false;
    if (::GetFileInformationByHandleEx(keep, FileBasicInfo, &before, sizeof before)) {
        FILE_BASIC_INFO writable = before;
        writable.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        if (writable.FileAttributes == 0) writable.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        if (::SetFileInformationByHandle(keep, FileBasicInfo, &writable, sizeof writable)) {
            removed = ::DeleteFileW(wide.c_str()) != 0;
            ::SetFileInformationByHandle(keep, FileBasicInfo, &before, sizeof before);
        }
    }
    ::CloseHandle(keep);
    return removed ? kResultRemovedNotWiped : kWipeFailed;
}

} // namespace

int WipeFile(const std::string& path, const WipeRandomFill& fill, const WipeStepHook& afterStep)
{
    const auto done = [&afterStep](WipeStep step) {
        if (afterStep) afterStep(step);
    };
    if (GetFileKind(path) != FileKind::Regular) return kWipeFailed;

    const OpenedFile opened = OpenForWipe(path);
    if (opened.shared) {
        if (opened.handle != INVALID_HANDLE_VALUE) ::CloseHandle(opened.handle);
        return RemoveThisName(path);
    }
    HANDLE handle = opened.handle;
    if (handle == INVALID_HANDLE_VALUE) return kWipeFailed;

    std::uint8_t pattern[kPatternSize];
    if (fill)
        fill(pattern, kPatternSize);
    else
        DefaultFill(pattern, kPatternSize);

    if (!Overwrite(handle, pattern)) {
        ::CloseHandle(handle);
        return kWipeFailed;
    }
    done(WipeStep::Overwritten);

    const std::string dir = DirectoryOf(path);
    const std::string first = RenameToFreeTildeName(path, dir, kFirstTilde);
    if (first.empty()) {
        ::CloseHandle(handle);
        return kWipeFailed;
    }
    done(WipeStep::FirstRename);
    const std::string second = RenameToFreeTildeName(first, dir, kSecondTilde);
    if (second.empty()) {
        ::CloseHandle(handle);
        RenameNoReplace(first, path);
        return kWipeFailed;
    }
    done(WipeStep::SecondRename);

    const bool truncated = Seek(handle, 0) && ::SetEndOfFile(handle);
    if (truncated) done(WipeStep::Truncated);
    const bool ours = Names(second, opened.info);
    const bool closed = ::CloseHandle(handle) != 0;
    if (!truncated || !closed || !ours) {
        if (ours) RenameNoReplace(second, path);
        return kWipeFailed;
    }
    if (!::DeleteFileW(WidePath(second).c_str())) return kWipeFailed;
    return kResultOk;
}
