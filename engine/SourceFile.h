// SPDX-License-Identifier: GPL-3.0-or-later
// SourceFile: the one way the engine and the password database read a file, from its start.
#pragma once

#include <cstddef>
#include <string>

// What identifies a file and its content version: the inode (Windows: volume serial number and file
// index), its size and its modification time.
struct FileIdentity
{
    bool known = false;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long mtimeSeconds = 0;
    long long mtimeNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the regular file at `path` (a link is not followed); not known when no regular
// file is there.
FileIdentity IdentityOfRegularFile(const std::string& path);

// A regular file opened for reading; a FIFO would block and a device would stream, so neither is
// read.
class SourceFile
{
public:
    enum class Links
    {
        // The path itself must be a regular file; it is examined before it is opened, so a device
        // is never opened and a symbolic link is refused (as a source: it would lead into another
        // file).
        Refuse,
        // The path is opened as given, through a symbolic link (the password database may be one
        // the user set up); what was opened must be a regular file.
        Follow,
    };

    // `failReadAfter` >= 0 makes every read that would take the total past that many bytes fail
    // with EIO, as a bad sector would (a test seam).
    explicit SourceFile(long long failReadAfter = -1) noexcept : failReadAfter_(failReadAfter) {}
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    // True when the file is open. False with errno set: the system's error when the path cannot
    // be examined or opened; ELOOP for a refused link, EISDIR for a directory, EINVAL for anything
    // else that is no regular file, and NotRegular() true for these three.
    bool Open(const std::string& path, Links links = Links::Refuse);
    bool NotRegular() const noexcept { return notRegular_; }

    // As found at Open().
    long long Size() const noexcept { return opened_.size; }
    int Mode() const noexcept { return mode_; }
    unsigned Owner() const noexcept { return owner_; }
    unsigned Group() const noexcept { return group_; }
    // How many names (hard links) the file has.
    unsigned long long LinkCount() const noexcept { return links_; }
    // True when the open file is still as it was at Open(): nothing appended, nothing rewritten.
    // `now` receives its identity.
    bool UnchangedSinceOpen(FileIdentity& now) const;

    // Reads up to `count` bytes, fewer only at the end of the file or on an error; returns how
    // many. errno is 0 when the end came first, else the error.
    std::size_t Read(void* data, std::size_t count);
    // All `count` bytes, or false: errno 0 when the file ended first, else the error.
    bool ReadExactly(void* data, std::size_t count) { return Read(data, count) == count; }
#if defined(_WIN32)
    // Lets go of the file, which Windows will not replace while it is open.
    void Close() noexcept;
#endif

private:
    bool Refuse(unsigned mode) noexcept;

#if defined(_WIN32)
    void* handle_ = nullptr; // the file's HANDLE
#else
    int fd_ = -1;
#endif
    FileIdentity opened_;
    int mode_ = 0;
    unsigned owner_ = 0;
    unsigned group_ = 0;
    unsigned long long links_ = 0;
    bool notRegular_ = false;
    long long failReadAfter_;
    long long done_ = 0;
};
