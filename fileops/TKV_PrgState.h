// SPDX-License-Identifier: GPL-3.0-or-later
// The run state that every file operation shares, one instance owned by the main window.
#pragma once

#include "SecureZero.h"

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>

class QProcess;

// What runs now. One bit each, so that the whole set fits one byte.
enum TKV_PrgAction : std::uint8_t
{
    psEncrypting = 1,
    psDecrypting = 2,
    psDirectory = 4,
    psDeleting = 8,
    // A list of files is being processed, also while a prompt waits between two files.
    psListRun = 16,
};

class TKV_BusySet
{
public:
    constexpr bool Empty() const noexcept { return bits_ == 0; }
    constexpr bool Contains(TKV_PrgAction action) const noexcept { return (bits_ & action) != 0; }
    // True when the set holds anything besides the actions in `allowed` (an or-ed mask).
    constexpr bool HoldsOtherThan(unsigned allowed) const noexcept { return (bits_ & ~allowed) != 0; }
    constexpr void Include(TKV_PrgAction action) noexcept { bits_ = static_cast<std::uint8_t>(bits_ | action); }
    constexpr void Exclude(TKV_PrgAction action) noexcept { bits_ = static_cast<std::uint8_t>(bits_ & ~action); }
    constexpr void Clear() noexcept { bits_ = 0; }
    // The set holding `action` alone.
    constexpr void Assign(TKV_PrgAction action) noexcept { bits_ = action; }
    constexpr std::uint8_t Bits() const noexcept { return bits_; }

private:
    std::uint8_t bits_ = 0;
};

// A decrypted file handed to its application and watched until that application ends.
struct TOpenFile
{
    bool InUse = false;
    QProcess* Process = nullptr;
    bool Running = false;
    QString FileName; // full path of the decrypted file
    // The password (scrambled) and method that opened the file: it goes back into the container it
    // came from, whatever password the engine holds by then. Zeroed when the slot is freed.
    SecretBytes Password;
    int Method = 0;
    // The launch gave no process that stayed: the application may have handed the file to an
    // instance already running, which still shows it. Encrypted again only when the user says so.
    bool Detached = false;
    // When the application was started (milliseconds of a monotonic clock).
    qint64 StartedMs = 0;
};

inline constexpr int kOpenFileSlots = 20;

class TKV_PrgState
{
public:
    // A stop was requested. Atomic because the engine holds a pointer to it and reads it after
    // every block.
    std::atomic<bool> Abort{false};
    std::array<TOpenFile, kOpenFileSlots> OpenFiles{};
    // Occupied slots of OpenFiles.
    std::int32_t OpenCount = 0;
    TKV_BusySet Busy;
    // The file lists have not been read since start-up.
    bool FirstEnter = true;
    // Remember the password of the file being encrypted in the password database.
    bool SavePassword = false;
    // The progress bars are shown.
    bool ListsRaised = false;
    // The target of the running single-file operation existed before it started.
    bool TargetExisted = false;
    // The list items carry their icons and detail columns; sorting by columns waits for them.
    bool DetailsComplete = true;
};
