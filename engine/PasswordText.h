// SPDX-License-Identifier: GPL-3.0-or-later
// How password text becomes key bytes: one byte per character as the legacy program had them.
#pragma once

#include "SecureZero.h"

#include <cstddef>
#include <string_view>

// UTF-8 text -> bytes: Windows-1252 when every character has a place there (so old files with
// passwords such as "pässwört" still open), otherwise the UTF-8 bytes unchanged. Invalid UTF-8 is
// taken byte for byte.
SecretBytes PasswordBytes(std::string_view utf8);

// Number of key bytes PasswordBytes makes of the text: 1 per character in Windows-1252, else the
// UTF-8 length.
std::size_t PasswordByteCount(std::string_view utf8) noexcept;

// Number of characters (code points) of UTF-8 text.
std::size_t CharacterCount(std::string_view utf8) noexcept;

enum class PasswordLengthCheck
{
    Ok,
    TooFew,
    TooMany
};

// The length rules of every password entry: at least `minChars` characters, and at most `maxBytes`
// key bytes, since a key uses only that many and any character beyond them would be ignored
// without a word.
PasswordLengthCheck CheckPasswordLength(std::string_view utf8, std::size_t minChars, std::size_t maxBytes) noexcept;
