// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's result codes and the one table that turns them into the user's words, shared by
// the window and kelvane-cli.
#pragma once

#include <string>

enum EngineResult : int
{
    kResultOk = 0,
    kResultRemovedNotWiped = 1,  // a wipe removed only this name: other names (hard links) share the data
    kResultCannotOpen = -2,      // the source file cannot be opened
    kResultCannotCreate = -9,    // the output file cannot be created
    kResultReadFailed = -10,     // reading failed, also a header or data shorter than they must be
    kResultWrongPassword = -11,  // the key check differs: the password does not open the file
    kResultNoMemory = -12,       // the chunk buffer cannot be allocated
    kResultNotEncrypted = -13,   // the method byte names no method
    kResultAborted = -14,        // the stop flag was found set
    kResultWriteFailed = -15,    // writing the output failed, typically a full disk
    kResultTooLarge = -16,       // a plain file of 2 GiB or more: the size field is signed 32-bit
    kResultNotRegularFile = -17, // a link, FIFO, device, socket or directory
    kResultUnknownMethod = -18,  // a method code outside 0..4 was asked for
    kResultTableBusy = -19,      // a password-table operation was refused while another one runs
    kResultTargetAppeared = -20, // a file took the target name during the run; it was kept, the output discarded
    kResultPlainChanged = -21,   // the plain file changed or was replaced while it was being encrypted
    kResultCryptedChanged = -22, // the container changed or was replaced while it was being decrypted
    kResultNoPassword = -23,     // encrypting with an empty password was asked for
    kResultDamaged = -24,        // the key check passed but the data fails its checksum
    kResultNameTooLong = -25,    // the name with ".cry" added is longer than the directory allows
    kResultTruncated = -26,      // the container ends before the end its header gives (verify, rekey)
    kResultHasOtherNames = -27,  // a container with other names (hard links) was not rekeyed
};

// The message for a non-zero result, with %s replaced by `name`; empty for a code that has no
// message (the caller then shows nothing). `withAllHint` adds the window's advice to press "All"
// to the wrong-password message.
std::string EngineErrorMessage(int code, const std::string& name, bool withAllHint = true);

// True for the codes whose message box offers "All" besides "OK".
bool EngineErrorOffersAll(int code) noexcept;

// Largest plain file a container can describe (its size field is signed 32-bit).
constexpr long long kMaxPlainSize = 0x7FFFFFFFLL;
