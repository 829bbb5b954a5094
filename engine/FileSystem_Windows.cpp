// SPDX-License-Identifier: GPL-3.0-or-later
// The file-system layer on Windows: the contracts of FileSystem.h with Win32 calls on UTF-16 names.
// A reparse point (symbolic link, junction, mount point) counts as a link and is never followed.
#include "FileSystem.h"

#include "WinText.h"

#include "WindowsHeader.h"
#include <cerrno>
#include <cstdio>
#include <random>

namespace {

constexpr DWORD kShownAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// The attributes of the path itself (a reparse point is not followed); false when it is not there.
bool AttributesOf(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data)
{
    if (::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) return true;
    SetErrnoFromWin32();
    return false;
}

FileKind KindOf(DWORD attributes)
{
    if (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) return FileKind::Other;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::Directory;
    return FileKind::Regular;
}

// A hidden name beside `finalPath`, as on POSIX.
std::string UniqueSibling(const std::string& finalPath)
{
    static std::mt19937_64 generator{std::random_device{}()};
    char name[48];
    std::snprintf(name, sizeof name, ".kvtmp-%lu-%016llx", static_cast<unsigned long>(::GetCurrentProcessId()),
                  static_cast<unsigned long long>(generator()));
    return JoinPath(DirectoryOf(finalPath), name);
}

bool WriteFully(HANDLE handle, const void* data, std::size_t count)
{
    const auto* p = static_cast<const unsigned char*>(data);
    while (count > 0) {
        const DWORD chunk = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
        DWORD written = 0;
        if (!::WriteFile(handle, p, chunk, &written, nullptr) || written == 0) {
            SetErrnoFromWin32();
            return false;
        }
        p += written;
        count -= written;
    }
    return true;
}

bool SetAttributesOfHandle(HANDLE handle, DWORD attributes)
{
    FILE_BASIC_INFO info{}; // zero times: left as they are
    info.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    return ::SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof info) != 0;
}

// Renames with MoveFileExW; the write-through flag makes the call return only once the new name is
// on the disk, which is what flushing the directory does on POSIX. Windows refuses to replace a
// read-only file: one the caller may replace loses that attribute for the move (and gets it back when
// the move fails all the same). Nor does it replace a file another program has open (a reader of the
// same database, a virus scanner): such a replacement is tried again for up to two seconds, as such
// holders let go quickly.
bool Move(const std::string& from, const std::string& to, bool mayReplace)
{
    const std::wstring wideFrom = WidePath(from);
    const std::wstring wideTo = WidePath(to);
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (mayReplace ? MOVEFILE_REPLACE_EXISTING : 0);
    DWORD readOnlyLifted = INVALID_FILE_ATTRIBUTES; // the target's attributes before, once lifted
    DWORD error = ERROR_SUCCESS;
    for (DWORD waited = 0, pause = 1;; waited += pause, pause = pause < 256 ? 2 * pause : pause) {
        if (::MoveFileExW(wideFrom.c_str(), wideTo.c_str(), flags)) return true;
        error = ::GetLastError();
        if (!mayReplace || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || waited >= 2000) break;
        if (readOnlyLifted == INVALID_FILE_ATTRIBUTES) {
            const DWORD old = ::GetFileAttributesW(wideTo.c_str());
            if (old == INVALID_FILE_ATTRIBUTES || (old & FILE_ATTRIBUTE_DIRECTORY)) break;
            if ((old & FILE_ATTRIBUTE_READONLY) &&
                ::SetFileAttributesW(wideTo.c_str(), old & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))) {
                readOnlyLifted = old;
                continue;
            }
        }
        ::Sleep(pause);
    }
    if (readOnlyLifted != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(wideTo.c_str(), readOnlyLifted);
    SetErrnoFromWin32(error);
    return false;
}

} // namespace

FileKind GetFileKind(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!AttributesOf(path, data)) return FileKind::Missing;
    return KindOf(data.dwFileAttributes);
}

long long GetFileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!AttributesOf(path, data) || KindOf(data.dwFileAttributes) != FileKind::Regular) return -1;
    return static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

FileAttributes GetFileAttributes(const std::string& path)
{
    FileAttributes attributes;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (AttributesOf(path, data) && KindOf(data.dwFileAttributes) == FileKind::Regular) {
        attributes.valid = true;
        attributes.mode = data.dwFileAttributes & kShownAttributes;
    }
    return attributes;
}

bool SetArchiveOnly(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!AttributesOf(path, data) || KindOf(data.dwFileAttributes) != FileKind::Regular) return false;
    if ((data.dwFileAttributes & kShownAttributes) == FILE_ATTRIBUTE_ARCHIVE) return true;
    const DWORD kept = data.dwFileAttributes & ~kShownAttributes;
    if (::SetFileAttributesW(WidePath(path).c_str(), kept | FILE_ATTRIBUTE_ARCHIVE)) return true;
    SetErrnoFromWin32();
    return false;
}

bool SetFileAttributes(const std::string& path, const FileAttributes& attributes)
{
    if (!attributes.valid) return true;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!AttributesOf(path, data) || KindOf(data.dwFileAttributes) != FileKind::Regular) return false;
    DWORD wanted = (data.dwFileAttributes & ~kShownAttributes) | (attributes.mode & kShownAttributes);
    // Only the attributes SetFileAttributesW accepts; the others (compressed, sparse, ...) stay anyway.
    wanted &= FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
              FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;
    if (::SetFileAttributesW(WidePath(path).c_str(), wanted == 0 ? FILE_ATTRIBUTE_NORMAL : wanted)) return true;
    SetErrnoFromWin32();
    return false;
}

bool IsReadOnly(const FileAttributes& attributes) noexcept
{
    return attributes.valid && (attributes.mode & FILE_ATTRIBUTE_READONLY) != 0;
}

std::string DirectoryOf(const std::string& path)
{
    const auto slash = path.find_last_of("\\/");
    if (slash == std::string::npos) {
        // "C:name" lies in the drive's current directory.
        return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : std::string();
    }
    // A root keeps its separator: "\", "C:\".
    if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::string JoinPath(const std::string& dir, const std::string& name)
{
    if (dir.empty()) return name;
    if (IsSeparator(dir.back()) || (dir.size() == 2 && dir[1] == ':')) return dir + name;
    return dir + "\\" + name;
}

bool NameFitsItsDirectory(const std::string& path)
{
    const auto slash = path.find_last_of("\\/");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t length = WidenUtf8(name).size(); // the limit counts UTF-16 units
    std::string dir = DirectoryOf(path);
    if (dir.empty()) dir.push_back('.');
    wchar_t volume[MAX_PATH + 1];
    DWORD limit = 0;
    if (!::GetVolumePathNameW(WidePath(dir).c_str(), volume, MAX_PATH + 1) ||
        !::GetVolumeInformationW(volume, nullptr, 0, nullptr, &limit, nullptr, nullptr, 0) || limit == 0)
        return true;
    return length <= limit;
}

bool RenameNoReplace(const std::string& from, const std::string& to)
{
    // Without MOVEFILE_REPLACE_EXISTING an existing `to` fails the call (EEXIST); nothing in between.
    return Move(from, to, false);
}

bool FlushDirectoryOf(const std::string&)
{
    // Windows gives no handle on a directory that could be flushed without administrator rights; the
    // renames of this layer are written through (MOVEFILE_WRITE_THROUGH) instead.
    return true;
}

ReplacementFile::~ReplacementFile()
{
    Discard();
}

bool ReplacementFile::Open(const std::string& finalPath, bool plainData, bool)
{
    Discard();
    if (const FileKind kind = GetFileKind(finalPath); kind == FileKind::Directory) {
        errno = EISDIR;
        return false;
    }
    finalPath_ = finalPath;
    plainData_ = plainData;
    // Windows has no unnamed files: always a hidden name in the same directory. Shared for deletion
    // only, so no other process reads or writes it while it is written (the part of "owner-only" that
    // holds for a file under the folder's inherited access rules), yet it can be renamed while open.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string candidate = UniqueSibling(finalPath);
        HANDLE handle =
            ::CreateFileW(WidePath(candidate).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_DELETE,
                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            handle_ = handle;
            tempPath_ = candidate;
            return true;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            SetErrnoFromWin32(error);
            return false;
        }
    }
    errno = EEXIST;
    return false;
}

bool ReplacementFile::InjectedFault(std::size_t count) noexcept
{
    if (failWriteAfter_ >= 0 && written_ + static_cast<long long>(count) > failWriteAfter_) {
        errno = ENOSPC;
        return true;
    }
    written_ += static_cast<long long>(count);
    return false;
}

bool ReplacementFile::WriteAll(const void* data, std::size_t count)
{
    if (WriteTap != nullptr) WriteTap(data, count);
    return handle_ != nullptr && !InjectedFault(count) && WriteFully(handle_, data, count);
}

bool ReplacementFile::WriteAt(const void* data, std::size_t count, long long offset)
{
    if (WriteTap != nullptr) WriteTap(data, count);
    if (handle_ == nullptr || offset < 0 || InjectedFault(count)) return false;
    // A positioned write moves the offset of a synchronous handle; the current one is put back.
    LARGE_INTEGER zero{}, current{}, target{};
    target.QuadPart = offset;
    if (!::SetFilePointerEx(handle_, zero, &current, FILE_CURRENT) ||
        !::SetFilePointerEx(handle_, target, nullptr, FILE_BEGIN)) {
        SetErrnoFromWin32();
        return false;
    }
    const bool written = WriteFully(handle_, data, count);
    const int saved = errno;
    const bool restored = ::SetFilePointerEx(handle_, current, nullptr, FILE_BEGIN) != 0;
    errno = saved;
    return written && restored;
}

ReplacementFile::CommitResult ReplacementFile::Commit(bool mayReplace, int finalMode)
{
    if (handle_ == nullptr) return CommitResult::Failed;
    // The hidden attribute of the temporary name goes; a mode without the owner's write bit is the
    // read-only attribute.
    const bool readOnly = finalMode >= 0 && (finalMode & 0200) == 0;
    if (!SetAttributesOfHandle(handle_, FILE_ATTRIBUTE_ARCHIVE | (readOnly ? FILE_ATTRIBUTE_READONLY : 0)) ||
        !::FlushFileBuffers(handle_)) {
        SetErrnoFromWin32();
        Discard();
        return CommitResult::Failed;
    }
    if (!Move(tempPath_, finalPath_, mayReplace)) {
        const bool exists = !mayReplace && errno == EEXIST;
        Discard();
        return exists ? CommitResult::TargetExists : CommitResult::Failed;
    }
    tempPath_.clear();
    const bool closed = ::CloseHandle(handle_) != 0;
    handle_ = nullptr;
    return closed ? CommitResult::Done : CommitResult::Failed;
}

void ReplacementFile::Discard() noexcept
{
    if (handle_ != nullptr) {
        if (plainData_) {
            // Plain data must not linger in freed clusters: overwrite what was written, then flush.
            LARGE_INTEGER size{}, zero{};
            if (::GetFileSizeEx(handle_, &size) && size.QuadPart > 0 &&
                ::SetFilePointerEx(handle_, zero, nullptr, FILE_BEGIN)) {
                static const unsigned char zeros[65536] = {};
                long long remaining = size.QuadPart;
                bool ok = true;
                while (ok && remaining > 0) {
                    const std::size_t n = remaining < 65536 ? static_cast<std::size_t>(remaining) : sizeof zeros;
                    ok = WriteFully(handle_, zeros, n);
                    remaining -= static_cast<long long>(n);
                }
                ::FlushFileBuffers(handle_);
                // The file goes away below whether or not this succeeds.
                if (::SetFilePointerEx(handle_, zero, nullptr, FILE_BEGIN)) ::SetEndOfFile(handle_);
            }
        }
        ::CloseHandle(handle_);
        handle_ = nullptr;
    }
    if (!tempPath_.empty()) {
        const std::wstring wide = WidePath(tempPath_);
        // Set read-only by a failed Commit: the attribute would refuse the deletion.
        ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(wide.c_str());
        tempPath_.clear();
    }
}
