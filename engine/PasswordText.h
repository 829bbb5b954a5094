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

// Number of characters (code points) of UTF-8 text, for the length rules of the prompts.
std::size_t CharacterCount(std::string_view utf8) noexcept;
