// SPDX-License-Identifier: GPL-3.0-or-later
// The password length rule of every entry: each method code, decryption, the master password.
#include "PasswordLimits.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LimitsCase
{
    const char* label;
    PasswordLimits limits;
    std::size_t maxBytes;
    const char* rangeText;
};

TEST(PasswordLimits, EveryEntryHasItsRangeAndKeepsIt)
{
    const LimitsCase cases[] = {
        {"code 0, DES without chaining", PasswordLimits::ForEncryption(0), 8, "(6 - 8 symbols)"},
        {"code 1, IDEA", PasswordLimits::ForEncryption(1), 16, "(6 - 16 symbols)"},
        {"code 2, DES, key from the characters", PasswordLimits::ForEncryption(2), 8, "(6 - 8 symbols)"},
        {"code 3, DES", PasswordLimits::ForEncryption(3), 8, "(6 - 8 symbols)"},
        {"code 4, Triple DES", PasswordLimits::ForEncryption(4), 24, "(6 - 24 symbols)"},
        // An edited setting can hold any number: the widest rule.
        {"code -1", PasswordLimits::ForEncryption(-1), 24, "(6 - 24 symbols)"},
        {"code 5", PasswordLimits::ForEncryption(5), 24, "(6 - 24 symbols)"},
        {"name DES", PasswordLimits::ForMethodName("DES"), 8, "(6 - 8 symbols)"},
        {"name IDEA", PasswordLimits::ForMethodName("IDEA"), 16, "(6 - 16 symbols)"},
        {"name 3xDES", PasswordLimits::ForMethodName("3xDES"), 24, "(6 - 24 symbols)"},
        {"name -", PasswordLimits::ForMethodName("-"), 24, "(6 - 24 symbols)"},
        {"name des", PasswordLimits::ForMethodName("des"), 24, "(6 - 24 symbols)"},
        {"decryption", PasswordLimits::ForDecryption(), 24, "(6 - 24 symbols)"},
        {"master", PasswordLimits::ForMaster(), 16, "(6 - 16 symbols)"},
    };
    for (const LimitsCase& c : cases) {
        EXPECT_EQ(c.limits.MinChars, 6u) << c.label;
        EXPECT_EQ(c.limits.MaxBytes, c.maxBytes) << c.label;
        EXPECT_EQ(c.limits.RangeText(), c.rangeText) << c.label;
        EXPECT_EQ(c.limits.Check(std::string(5, 'a')), PasswordLengthCheck::TooFew) << c.label;
        EXPECT_EQ(c.limits.Check(std::string(6, 'a')), PasswordLengthCheck::Ok) << c.label;
        EXPECT_EQ(c.limits.Check(std::string(c.maxBytes, 'a')), PasswordLengthCheck::Ok) << c.label;
        EXPECT_EQ(c.limits.Check(std::string(c.maxBytes + 1, 'a')), PasswordLengthCheck::TooMany) << c.label;
    }
}

TEST(PasswordLimits, CountsKeyBytesAtTheTop)
{
    // A Greek letter makes two key bytes: eight of them fill IDEA's 16 but overflow DES's 8.
    std::string greek8;
    for (int i = 0; i < 8; ++i)
        greek8 += "\xCE\xB1";
    EXPECT_EQ(PasswordLimits::ForEncryption(3).Check(greek8), PasswordLengthCheck::TooMany);
    EXPECT_EQ(PasswordLimits::ForEncryption(1).Check(greek8), PasswordLengthCheck::Ok);
    EXPECT_EQ(PasswordLimits::ForMaster().Check(greek8 + "\xCE\xB1"), PasswordLengthCheck::TooMany);
}

} // namespace
