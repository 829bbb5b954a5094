// SPDX-License-Identifier: GPL-3.0-or-later
// The password core's texts for the user, and the master password dialog's check.
#pragma once

#include "PasswordText.h"

#include <string_view>

// The misspelling is the program's own and stays.
inline constexpr char kDatabaseErrorMessage[] = "Error occured while accessing database of passwords.";
inline constexpr char kInvalidPasswordMessage[] = "Invalid password.";
inline constexpr char kTooFewCharsMessage[] = "Too few characters in password.";
inline constexpr char kTooManyCharsMessage[] = "Too many characters in password.";
inline constexpr char kVerificationFailedMessage[] = "Verification failed.";

// What every password entry says when a password breaks the length rules; empty for Ok.
const char* PasswordLengthMessage(PasswordLengthCheck check) noexcept;

enum class MasterEntryCheck
{
    Ok,
    TooFew,
    TooMany,
    Mismatch
};

// The dialog's rules for a typed master password and its verification copy, in the dialog's order:
// PasswordLimits::ForMaster (fewer than 6 characters, more than 16 key bytes), then an exact comparison.
MasterEntryCheck CheckMasterPasswordEntry(std::string_view first, std::string_view second) noexcept;

// The message for a failed check; empty for Ok.
const char* MasterEntryCheckMessage(MasterEntryCheck check) noexcept;

// Why the database could not be used, by the table's result code, for the line below
// kDatabaseErrorMessage when the system gave no reason of its own.
const char* DatabaseFailureText(int code) noexcept;
