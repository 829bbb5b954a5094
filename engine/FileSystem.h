// SPDX-License-Identifier: GPL-3.0-or-later
// The small file-system layer of the engine: file kinds, attributes, flushing, renames that never
// replace, and replacing a file safely. POSIX here; the Windows branches keep the same contracts.
#pragma once

#include <cstdint>
#include <string>

enum class FileKind { Missing, Regular, Directory, Other };

// What the path itself is (links are not followed: a link is Other).
FileKind GetFileKind(const std::string& path);
// Size of a regular file, or -1.
long long GetFileSize(const std::string& path);

// The attributes the program shows and restores: R = the owner cannot write, H = a dot file.
// Archive and system bits do not exist here.
struct FileAttributes {
    bool valid = false;    // false when the file could not be examined
    std::uint32_t mode = 0; // permission bits as found, restored as found
};
FileAttributes GetFileAttributes(const std::string& path);
// "Archive only": makes the file writable for its owner. Returns false on failure.
bool SetArchiveOnly(const std::string& path);
// Gives the file the remembered permission bits; nothing when `attributes` is not valid.
bool SetFileAttributes(const std::string& path, const FileAttributes& attributes);
bool IsReadOnly(const FileAttributes& attributes) noexcept;

// Directory part of a path without its trailing separator ("" for a bare name, "/" for the root).
std::string DirectoryOf(const std::string& path);
// dir + separator + name; no separator is added when dir is empty or already ends with one.
std::string JoinPath(const std::string& dir, const std::string& name);

// Renames from -> to, failing (returns false, errno EEXIST) when `to` exists; never replaces.
bool RenameNoReplace(const std::string& from, const std::string& to);
// Flushes the directory holding `path`, so a rename or new name in it survives a crash.
bool FlushDirectoryOf(const std::string& path);

// A new file being written beside its final name. It has no name of its own while it is written
// where the system allows (Linux O_TMPFILE), else a hidden unique name in the same directory.
// Commit() flushes the data, gives it the final name (replacing what stood there in one atomic
// step) and flushes the directory. Until Commit() succeeds the final name is untouched; a
// destructor or Discard() removes the temporary file. Contract after each failure:
//  - Open fails: nothing was created.
//  - a write fails / the process dies: the final name still holds its old file (or nothing);
//    at worst a hidden temporary file stays behind after a crash on systems without O_TMPFILE.
//  - Commit fails: as above; the temporary file is removed.
class ReplacementFile
{
public:
    ReplacementFile() = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the temporary file for `finalPath`. `plainData` makes every removal of the temporary
    // file overwrite it first. Returns false (errno set) on failure.
    bool Open(const std::string& finalPath, bool plainData);
    int Descriptor() const noexcept { return fd_; }
    // Writes all bytes at the current offset; false on any failure, including a short write.
    bool WriteAll(const void* data, std::size_t count);
    // Writes all bytes at `offset` without moving the current offset.
    bool WriteAt(const void* data, std::size_t count, long long offset);
    bool Commit();
    // Removes the temporary file (overwritten and flushed first when it holds plain data).
    void Discard() noexcept;

private:
    int fd_ = -1;
    std::string finalPath_;
    std::string tempPath_; // empty while the file has no name
    bool plainData_ = false;
};
