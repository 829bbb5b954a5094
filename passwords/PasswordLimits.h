// SPDX-License-Identifier: GPL-3.0-or-later
// How long a password may be: the one rule behind the window's prompts, the master password dialog
// and kelvane-cli.
#pragma once

#include "Keys.h"
#include "PasswordText.h"

#include <cstddef>
#include <string>
#include <string_view>

// Fewer characters than this make too weak a password for any entry.
inline constexpr std::size_t kMinPasswordChars = 6;

struct PasswordLimits
{
    std::size_t MinChars = kMinPasswordChars; // characters, as CharacterCount counts them
    std::size_t MaxBytes = 0;                 // key bytes, as PasswordByteCount counts them

    // At least 6 characters, at most the key length of the method code: 8 for DES (codes 0, 2, 3),
    // 16 for IDEA (1), 24 for Triple DES (4). A code outside 0..4, which only an edited setting can
    // hold, gets the widest rule.
    static PasswordLimits ForEncryption(int methodCode) noexcept;
    // The encryption rule of the method of that name ("DES", "IDEA", "3xDES"); any other name, such
    // as the "-" of a file that names no method, gets the widest rule.
    static PasswordLimits ForMethodName(std::string_view name) noexcept;
    // At least 6 characters, at most the longest key of any method: the file's method does not narrow it.
    static constexpr PasswordLimits ForDecryption() noexcept { return {kMinPasswordChars, kMaxKeyLength}; }
    // At least 6 characters, at most the 16 bytes of the database key.
    static PasswordLimits ForMaster() noexcept;

    // "(6 - 8 symbols)", as the prompts show the rule.
    std::string RangeText() const;
    // CheckPasswordLength with these limits.
    PasswordLengthCheck Check(std::string_view utf8) const noexcept;
};
