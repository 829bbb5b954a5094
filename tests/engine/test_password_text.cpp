// SPDX-License-Identifier: GPL-3.0-or-later
// Password text to key bytes: Windows-1252 when every character fits, the UTF-8 bytes otherwise.
#include "PasswordText.h"
#include "TKV_Pwd.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(const SecretBytes& b)
{
    return Bytes(b.begin(), b.end());
}

Bytes Raw(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

struct TextCase
{
    const char* label;
    std::string utf8;
    Bytes expected;
};

} // namespace

TEST(PasswordTextBytes, TableOfTexts)
{
    const TextCase cases[] = {
        {"empty", "", {}},
        {"ascii", "Secret 12!~", Raw("Secret 12!~")},
        {"latin letters", "p\xC3\xA4sssw\xC3\xB6rt", {'p', 0xE4, 's', 's', 's', 'w', 0xF6, 'r', 't'}},
        {"pässwört", "p\xC3\xA4ssw\xC3\xB6rt", {'p', 0xE4, 's', 's', 'w', 0xF6, 'r', 't'}},
        {"euro sign", "\xE2\x82\xAC", {0x80}},
        {"euro between letters",
         "a\xE2\x82\xAC"
         "b",
         {'a', 0x80, 'b'}},
        {"1252 specials", "\xE2\x80\x9A\xC5\x92\xE2\x84\xA2\xC5\xB8", {0x82, 0x8C, 0x99, 0x9F}},
        {"latin-1 edges", "\xC2\xA0\xC3\xBF", {0xA0, 0xFF}},
        // ł (U+0142) has no place in Windows-1252: the whole text stays UTF-8, also its ä.
        {"l with stroke", "\xC3\xA4z\xC5\x82oty", Raw("\xC3\xA4z\xC5\x82oty")},
        {"chinese", "\xE5\xAF\x86\xE7\xA0\x81", Raw("\xE5\xAF\x86\xE7\xA0\x81")},
        // U+0080 and U+0081 are C1 controls; byte 0x80 of Windows-1252 is the euro sign, 0x81 unassigned.
        {"C1 control 0080", "ab\xC2\x80", Raw("ab\xC2\x80")},
        {"C1 control 0081", "ab\xC2\x81", Raw("ab\xC2\x81")},
        {"emoji", "pw\xF0\x9F\x98\x80", Raw("pw\xF0\x9F\x98\x80")},
        // Not UTF-8 at all (a lone Latin-1 byte): taken byte for byte.
        {"invalid utf-8", "p\xE4ss", Raw("p\xE4ss")},
        {"truncated sequence", "abc\xC3", Raw("abc\xC3")},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(Of(PasswordBytes(c.utf8)), c.expected) << c.label;
}

TEST(PasswordTextBytes, SetPasswordHoldsTheBytesScrambled)
{
    TKV_Pwd pwd;
    pwd.SetPassword("p\xC3\xA4ssw\xC3\xB6rt");
    const Bytes typed = {'p', 0xE4, 's', 's', 'w', 0xF6, 'r', 't'};
    ASSERT_EQ(pwd.Password.size(), typed.size());
    EXPECT_EQ(pwd.PwdLength, 8);
    for (std::size_t i = 0; i < typed.size(); ++i)
        EXPECT_EQ(pwd.Password[i], typed[i] ^ 0x6E) << i;
    pwd.ClearPassword();
    EXPECT_EQ(pwd.PwdLength, 0);
    EXPECT_TRUE(pwd.Password.empty());
}

TEST(PasswordTextCount, CountsCharactersNotBytes)
{
    EXPECT_EQ(CharacterCount(""), 0u);
    EXPECT_EQ(CharacterCount("abcdef"), 6u);
    EXPECT_EQ(CharacterCount("p\xC3\xA4ssw\xC3\xB6rt"), 8u);
    EXPECT_EQ(CharacterCount("\xE2\x82\xAC"), 1u);
    EXPECT_EQ(CharacterCount("\xE5\xAF\x86\xE7\xA0\x81"), 2u);
    EXPECT_EQ(CharacterCount("\xF0\x9F\x98\x80x"), 2u);
}

// PasswordByteCount is the size PasswordBytes gives, without making the bytes.
TEST(PasswordTextCount, KeyBytesAreWhatPasswordBytesMakes)
{
    for (const std::string text : {"", "abcdef", "p\xC3\xA4ssw\xC3\xB6rt", "\xE2\x82\xAC\xC5\x92",
                                   "\xCE\xB1\xCE\xB2\xCE\xB3\xCE\xB4\xCE\xB5\xCE\xB6\xCE\xB7\xCE\xB8",
                                   "\xC3\xA4\xD0\xB4", "pw\xF0\x9F\x98\x80", "p\xE4ss", "abc\xC3"})
        EXPECT_EQ(PasswordByteCount(text), PasswordBytes(text).size()) << text;
}

struct LengthCase
{
    const char* label;
    std::string text;
    std::size_t maxBytes;
    PasswordLengthCheck expected;
};

TEST(PasswordTextLength, LeastInCharactersMostInKeyBytes)
{
    const std::string alpha = "\xCE\xB1", de = "\xD0\xB4", ae = "\xC3\xA4";
    const auto times = [](const std::string& unit, int n) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += unit;
        return text;
    };
    using C = PasswordLengthCheck;
    const LengthCase cases[] = {
        {"5 ascii", "abcde", 8, C::TooFew},
        {"6 ascii", "abcdef", 8, C::Ok},
        {"8 ascii of 8", "abcdefgh", 8, C::Ok},
        {"9 ascii of 8", "abcdefghi", 8, C::TooMany},
        {"8 latin-1 of 8", times(ae, 8), 8, C::Ok},
        {"9 latin-1 of 8", times(ae, 9), 8, C::TooMany},
        {"16 latin-1 of 16", times(ae, 16), 16, C::Ok},
        {"5 greek, 10 bytes", times(alpha, 5), 24, C::TooFew},
        {"4 greek and 2 digits of 8", times(alpha, 4) + "12", 8, C::TooMany},
        {"8 greek of 8", times(alpha, 8), 8, C::TooMany},
        {"8 greek of 16", times(alpha, 8), 16, C::Ok},
        {"9 greek of 16", times(alpha, 9), 16, C::TooMany},
        {"12 cyrillic of 24", times(de, 12), 24, C::Ok},
        {"12 cyrillic and 1 of 24", times(de, 12) + "x", 24, C::TooMany},
        // One character outside Windows-1252 makes the whole text UTF-8: "ä" then takes two bytes too.
        {"7 latin-1 and 1 cyrillic of 8", times(ae, 7) + de, 8, C::TooMany},
    };
    for (const LengthCase& c : cases)
        EXPECT_EQ(CheckPasswordLength(c.text, 6, c.maxBytes), c.expected) << c.label;
}
