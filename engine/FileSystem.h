// SPDX-License-Identifier: GPL-3.0-or-later
// The small file-system layer of the engine: file kinds, attributes, flushing, renames that never
// replace, and replacing a file safely. POSIX in FileSystem.cpp; FileSystem_Windows.cpp keeps the
// same contracts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

enum class FileKind
{
    Missing,
    Regular,
    Directory,
    Other
};

// What the path itself is (links are not followed: a link is Other).
FileKind GetFileKind(const std::string& path);
// Size of a regular file, or -1.
long long GetFileSize(const std::string& path);

// The attributes the program shows and restores: R = the owner cannot write, H = a dot file.
// Archive and system bits do not exist here. On Windows they are the file's own R, H, S and A.
struct FileAttributes
{
    bool valid = false;     // false when the file could not be examined
    std::uint32_t mode = 0; // permission bits (Windows: attribute bits) as found, restored as found
};
FileAttributes GetFileAttributes(const std::string& path);
// "Archive only": makes the file writable for its owner (Windows: clears R, H and S, sets A). Returns
// false on failure.
bool SetArchiveOnly(const std::string& path);
// Gives the file the remembered permission bits; nothing when `attributes` is not valid.
bool SetFileAttributes(const std::string& path, const FileAttributes& attributes);
bool IsReadOnly(const FileAttributes& attributes) noexcept;

// Directory part of a path without its trailing separator ("" for a bare name, "/" for the root;
// on Windows both separators count, and "C:\a.txt" gives the drive root "C:\" with its separator).
std::string DirectoryOf(const std::string& path);
// dir + separator + name; no separator is added when dir is empty or already ends with one.
std::string JoinPath(const std::string& dir, const std::string& name);

// True when the last component of `path` is not longer than its directory allows for a name (also
// when no limit can be learnt: the creation then says so itself).
bool NameFitsItsDirectory(const std::string& path);
// Renames from -> to, failing (returns false, errno EEXIST) when `to` exists; never replaces.
bool RenameNoReplace(const std::string& from, const std::string& to);
// Flushes the directory holding `path`, so a rename or new name in it survives a crash.
bool FlushDirectoryOf(const std::string& path);

// Our names are UTF-8 text; std::filesystem reads a char string in the system's code page on
// Windows, so names cross over as UTF-8 explicitly.
inline std::filesystem::path PathFromUtf8(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8FromPath(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// A new file being written beside its final name. It has no name of its own while it is written
// where the system allows (Linux O_TMPFILE), else a hidden unique name in the same directory.
// A file for plain data is created owner-only (0600) and keeps that until Commit() gives it its
// final permissions, so nobody else can read it at any moment.
// Commit() flushes the data, gives it the final name and flushes the directory. Without
// `mayReplace` the final name is taken only when it is free; a file that appeared there meanwhile
// is left as it was (on a file system with neither renameat2 nor hard links the name is checked
// right before a plain rename, the best such a system allows). Until Commit() succeeds the final
// name is untouched; a destructor or Discard() removes the temporary file. Contract after each
// failure:
//  - Open fails: nothing was created.
//  - a write fails / the process dies: the final name still holds its old file (or nothing);
//    at worst a hidden temporary file stays behind after a crash on systems without O_TMPFILE.
//  - Commit fails (TargetExists or Failed): as above; the temporary file is removed.
class ReplacementFile
{
public:
    enum class CommitResult
    {
        Done,
        TargetExists,
        Failed
    };

    ReplacementFile() = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the temporary file for `finalPath`. `plainData` creates it owner-only and makes every
    // removal of it overwrite it first. `allowUnnamed` false always uses a named temporary file (the
    // path taken where O_TMPFILE is missing; tests force it). Returns false (errno set) on failure.
    bool Open(const std::string& finalPath, bool plainData, bool allowUnnamed = true);
#if !defined(_WIN32)
    int Descriptor() const noexcept
    {
        return fd_;
    }
#endif
    // Writes all bytes at the current offset; false on any failure, including a short write.
    bool WriteAll(const void* data, std::size_t count);
    // Writes all bytes at `offset` without moving the current offset.
    bool WriteAt(const void* data, std::size_t count, long long offset);
    // Test seam: a write that would take the bytes written past `bytes` (>= 0) fails with ENOSPC,
    // writing nothing, as on a full disk.
    void FailWritesAfter(long long bytes) noexcept
    {
        failWriteAfter_ = bytes;
    }
    // Test seam: when set, sees every buffer any ReplacementFile is about to write (the engine's one
    // way of writing a file), so tests can tell which bytes ever reach a file. Null in the program.
    static inline void (*WriteTap)(const void* data, std::size_t count) = nullptr;
    // `finalMode` (permission bits, or -1 to keep the creation mode) is set before the file gets
    // its final name.
    CommitResult Commit(bool mayReplace, int finalMode = -1);
    // Replaces whatever stands under the final name; true on success.
    bool Commit()
    {
        return Commit(true) == CommitResult::Done;
    }
    // Removes the temporary file (overwritten and flushed first when it holds plain data).
    void Discard() noexcept;

private:
#if defined(_WIN32)
    void* handle_ = nullptr; // the file's HANDLE; no other process may read or write it meanwhile
#else
    int fd_ = -1;
#endif
    std::string finalPath_;
    std::string tempPath_; // empty while the file has no name
    bool plainData_ = false;
    long long failWriteAfter_ = -1;
    long long written_ = 0;

    bool InjectedFault(std::size_t count) noexcept;
};
