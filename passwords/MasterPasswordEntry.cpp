// SPDX-License-Identifier: GPL-3.0-or-later
#include "PasswordMessages.h"

#include "PasswordText.h"

MasterEntryCheck CheckMasterPasswordEntry(std::string_view first, std::string_view second) noexcept
{
    const std::size_t n = CharacterCount(first);
    if (n < static_cast<std::size_t>(kMinMasterPasswordChars)) return MasterEntryCheck::TooFew;
    if (n > static_cast<std::size_t>(kMaxMasterPasswordChars)) return MasterEntryCheck::TooMany;
    if (first != second) return MasterEntryCheck::Mismatch;
    return MasterEntryCheck::Ok;
}

const char* MasterEntryCheckMessage(MasterEntryCheck check) noexcept
{
    switch (check) {
    case MasterEntryCheck::TooFew:
        return "Too few characters in password.";
    case MasterEntryCheck::TooMany:
        return "Too many characters in password.";
    case MasterEntryCheck::Mismatch:
        return "Verification failed.";
    case MasterEntryCheck::Ok:
        break;
    }
    return "";
}
