// SPDX-License-Identifier: GPL-3.0-or-later
// SourceFile on Windows. A file's identity is its volume serial number and file index; its content
// version is its size and last-write time.
#include "SourceFile.h"

#include "WinText.h"

#include "WindowsHeader.h"
#include <cerrno>

namespace {

// 100-nanosecond ticks from 1601 to 1970.
constexpr long long kUnixEpochTicks = 116444736000000000LL;

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    FileIdentity id;
    id.known = true;
    id.device = info.dwVolumeSerialNumber;
    id.inode = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id.size = static_cast<long long>((static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    const long long ticks =
        static_cast<long long>((static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                               info.ftLastWriteTime.dwLowDateTime);
    id.mtimeSeconds = (ticks - kUnixEpochTicks) / 10000000;
    id.mtimeNanoseconds = ((ticks - kUnixEpochTicks) % 10000000) * 100;
    return id;
}

bool IsRegular(const BY_HANDLE_FILE_INFORMATION& info)
{
    return (info.dwFileAttributes &
            (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

} // namespace

FileIdentity IdentityOfRegularFile(const std::string& path)
{
    // Opened only to read its attributes, the reparse point itself rather than what it leads to.
    HANDLE handle = ::CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {};
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok =
        ::GetFileInformationByHandle(handle, &info) && IsRegular(info) && ::GetFileType(handle) == FILE_TYPE_DISK;
    ::CloseHandle(handle);
    return ok ? IdentityOf(info) : FileIdentity{};
}

SourceFile::~SourceFile()
{
    if (handle_ != nullptr) ::CloseHandle(handle_);
}

void SourceFile::Close() noexcept
{
    if (handle_ != nullptr) ::CloseHandle(handle_);
    handle_ = nullptr;
}

bool SourceFile::Refuse(unsigned attributes) noexcept
{
    notRegular_ = true;
    errno = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? ELOOP
            : (attributes & FILE_ATTRIBUTE_DIRECTORY)   ? EISDIR
                                                        : EINVAL;
    return false;
}

bool SourceFile::Open(const std::string& path, Links links)
{
    notRegular_ = false;
    const std::wstring wide = WidePath(path);
    const bool follow = links == Links::Follow;
    if (!follow) {
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            SetErrnoFromWin32();
            return false;
        }
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))
            return Refuse(attributes);
    }
    // Others may go on reading, writing and renaming, as on POSIX: a change is seen by
    // UnchangedSinceOpen().
    HANDLE handle =
        ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        SetErrnoFromWin32();
        return false;
    }
    handle_ = handle;
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(handle, &info)) {
        SetErrnoFromWin32();
        return false;
    }
    // Replaced by a reparse point since it was examined, or a device such as NUL.
    if (!IsRegular(info)) return Refuse(info.dwFileAttributes);
    if (::GetFileType(handle) != FILE_TYPE_DISK) return Refuse(0);
    opened_ = IdentityOf(info);
    // In the permission bits the engine passes on: read-only is a mode without write bits.
    mode_ = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    links_ = info.nNumberOfLinks;
    return true;
}

bool SourceFile::UnchangedSinceOpen(FileIdentity& now) const
{
    BY_HANDLE_FILE_INFORMATION info;
    if (handle_ == nullptr || !::GetFileInformationByHandle(handle_, &info)) return false;
    now = IdentityOf(info);
    return now == opened_;
}

std::size_t SourceFile::Read(void* data, std::size_t count)
{
    errno = 0;
    if (failReadAfter_ >= 0 && done_ + static_cast<long long>(count) > failReadAfter_) {
        errno = EIO;
        return 0;
    }
    auto* p = static_cast<unsigned char*>(data);
    std::size_t got = 0;
    HANDLE handle = handle_;
    while (got < count) {
        const std::size_t left = count - got;
        const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD n = 0;
        if (!::ReadFile(handle, p + got, chunk, &n, nullptr)) {
            SetErrnoFromWin32();
            break;
        }
        if (n == 0) {
            errno = 0;
            break;
        }
        got += n;
    }
    done_ += static_cast<long long>(got);
    return got;
}
