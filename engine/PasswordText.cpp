// SPDX-License-Identifier: GPL-3.0-or-later
#include "PasswordText.h"

#include <cstdint>

namespace {

// Code points of Windows-1252 bytes 0x80..0x9F; 0 marks the five unassigned bytes.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Decodes one UTF-8 sequence at text[i]; returns false for a malformed one.
bool DecodeOne(std::string_view text, std::size_t& i, char32_t& cp)
{
    const auto b0 = static_cast<unsigned char>(text[i]);
    int extra;
    if (b0 < 0x80) {
        cp = b0;
        extra = 0;
    } else if ((b0 & 0xE0) == 0xC0) {
        cp = b0 & 0x1F;
        extra = 1;
    } else if ((b0 & 0xF0) == 0xE0) {
        cp = b0 & 0x0F;
        extra = 2;
    } else if ((b0 & 0xF8) == 0xF0) {
        cp = b0 & 0x07;
        extra = 3;
    } else {
        return false;
    }
    if (i + static_cast<std::size_t>(extra) >= text.size()) return false;
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += static_cast<std::size_t>(extra) + 1;
    return true;
}

// The Windows-1252 byte of a code point, or -1 when it has none.
int Cp1252Byte(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int k = 0; k < 32; ++k)
        if (kCp1252High[k] != 0 && kCp1252High[k] == cp) return 0x80 + k;
    return -1;
}

// Calls `take` with the Windows-1252 byte of every character and returns true when every character
// has one; false at the first that has none (or at invalid UTF-8).
template <typename Take>
bool EachCp1252Byte(std::string_view utf8, Take take)
{
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        int b = -1;
        if (DecodeOne(utf8, i, cp)) b = Cp1252Byte(cp);
        if (b < 0) return false;
        take(static_cast<std::uint8_t>(b));
    }
    return true;
}

} // namespace

SecretBytes PasswordBytes(std::string_view utf8)
{
    SecretBytes bytes;
    bytes.reserve(utf8.size());
    // Not representable (or not valid UTF-8): the text's own bytes are the password.
    if (!EachCp1252Byte(utf8, [&](std::uint8_t b) { bytes.push_back(b); })) bytes.assign(utf8.begin(), utf8.end());
    return bytes;
}

std::size_t PasswordByteCount(std::string_view utf8) noexcept
{
    std::size_t count = 0;
    return EachCp1252Byte(utf8, [&](std::uint8_t) { ++count; }) ? count : utf8.size();
}

std::size_t CharacterCount(std::string_view utf8) noexcept
{
    std::size_t count = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

PasswordLengthCheck CheckPasswordLength(std::string_view utf8, std::size_t minChars, std::size_t maxBytes) noexcept
{
    if (CharacterCount(utf8) < minChars) return PasswordLengthCheck::TooFew;
    if (PasswordByteCount(utf8) > maxBytes) return PasswordLengthCheck::TooMany;
    return PasswordLengthCheck::Ok;
}
