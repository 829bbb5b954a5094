// SPDX-License-Identifier: GPL-3.0-or-later
#include "PasswordMessages.h"

#include "PasswordLimits.h"
#include "ResultCodes.h"

MasterEntryCheck CheckMasterPasswordEntry(std::string_view first, std::string_view second) noexcept
{
    switch (PasswordLimits::ForMaster().Check(first)) {
    case PasswordLengthCheck::TooFew:
        return MasterEntryCheck::TooFew;
    case PasswordLengthCheck::TooMany:
        return MasterEntryCheck::TooMany;
    case PasswordLengthCheck::Ok:
        break;
    }
    if (first != second) return MasterEntryCheck::Mismatch;
    return MasterEntryCheck::Ok;
}

const char* PasswordLengthMessage(PasswordLengthCheck check) noexcept
{
    switch (check) {
    case PasswordLengthCheck::TooFew:
        return kTooFewCharsMessage;
    case PasswordLengthCheck::TooMany:
        return kTooManyCharsMessage;
    case PasswordLengthCheck::Ok:
        break;
    }
    return "";
}

const char* MasterEntryCheckMessage(MasterEntryCheck check) noexcept
{
    switch (check) {
    case MasterEntryCheck::TooFew:
        return kTooFewCharsMessage;
    case MasterEntryCheck::TooMany:
        return kTooManyCharsMessage;
    case MasterEntryCheck::Mismatch:
        return kVerificationFailedMessage;
    case MasterEntryCheck::Ok:
        break;
    }
    return "";
}

const char* DatabaseFailureText(int code) noexcept
{
    switch (code) {
    case kResultCannotOpen:
        return "the file cannot be opened";
    case kResultCannotCreate:
        return "a new database file cannot be created there";
    case kResultReadFailed:
        return "the file is too short or cannot be read";
    case kResultWrongPassword:
        return "the file is damaged or was written under another master password";
    case kResultNoMemory:
        return "not enough memory";
    case kResultNotEncrypted:
        return "the file is not a database of passwords";
    case kResultWriteFailed:
        return "the file could not be written";
    case kResultTableBusy:
        return "another operation on the database is still running";
    default:
        return "unknown failure";
    }
}
