// SPDX-License-Identifier: GPL-3.0-or-later
// The method table and how keys and key checks are made from a password.
#include "Checksum.h"
#include "Keys.h"
#include "TKV_Pwd.h"

#include "../common/TestPlatform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Typed(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

Bytes Scrambled(const std::string& text)
{
    Bytes b = Typed(text);
    for (auto& c : b)
        c = static_cast<std::uint8_t>(c ^ 0x6E);
    return b;
}

// Runs DeriveKey and returns exactly the key bytes it reports.
Bytes Derive(int method, const Bytes& scrambled, int length)
{
    std::uint8_t key[kMaxKeyLength + 8];
    std::fill(std::begin(key), std::end(key), std::uint8_t{0xA5});
    const int n = DeriveKey(method, scrambled.data(), length, key);
    // Nothing past the key's own length may be touched.
    for (int i = n; i < kMaxKeyLength + 8; ++i)
        EXPECT_EQ(key[i], 0xA5) << "byte " << i << " method " << method;
    return Bytes(key, key + n);
}

// The stretch written out from its description: repeat the characters, then XOR (4i + 0x4B).
Bytes ExpectedStretch(const Bytes& repeated)
{
    Bytes key = repeated;
    for (std::size_t i = 0; i < key.size(); ++i)
        key[i] = static_cast<std::uint8_t>(key[i] ^ ((4 * i + 0x4B) & 0xFF));
    return key;
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes Slice(const Bytes& b, std::size_t from, std::size_t to)
{
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(to));
}

} // namespace

TEST(KeysMethodTable, RowsOfEveryMethod)
{
    struct Row
    {
        int method;
        const char* magic;
        int keyLength;
        int headerLength;
        const char* name;
    };
    const Row rows[] = {
        {0, "KV97", 8, 14, "DES"}, {1, "KV98", 16, 35, "IDEA"},  {2, "KV9A", 8, 14, "DES"},
        {3, "KV9B", 8, 35, "DES"}, {4, "KV9C", 24, 35, "3xDES"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.method);
        const MethodInfo* info = FindMethod(row.method);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(std::string(info->magic, 4), row.magic);
        EXPECT_EQ(info->keyLength, row.keyLength);
        EXPECT_EQ(info->headerLength, row.headerLength);
        EXPECT_STREQ(info->name, row.name);
        EXPECT_STREQ(MethodName(row.method), row.name);
        EXPECT_EQ(MethodFromMagicByte(static_cast<std::uint8_t>(row.magic[3])), row.method);
        EXPECT_STREQ(MethodTagForMagicByte(static_cast<std::uint8_t>(row.magic[3])), row.name);
    }
}

TEST(KeysMethodTable, CodesOutsideTheTableNameNothing)
{
    for (const int method : {-1, 5, 6, 100, -2147483647 - 1}) {
        EXPECT_EQ(FindMethod(method), nullptr) << method;
        EXPECT_EQ(MethodName(method), nullptr) << method;
    }
}

TEST(KeysMethodTable, OnlyFiveFourthBytesNameAMethod)
{
    // '9' and the characters between '9' and 'A' are not methods; nor are lower-case letters.
    int named = 0;
    for (int b = 0; b < 256; ++b) {
        const int method = MethodFromMagicByte(static_cast<std::uint8_t>(b));
        if (method >= 0) ++named;
        if (method < 0) {
            EXPECT_STREQ(MethodTagForMagicByte(static_cast<std::uint8_t>(b)), "-") << b;
        }
    }
    EXPECT_EQ(named, 5);
    for (const char c : {'9', ':', '@', 'D', 'b', '0', '6'})
        EXPECT_EQ(MethodFromMagicByte(static_cast<std::uint8_t>(c)), -1) << c;
}

TEST(KeysScramble, MaskIsItsOwnInverse)
{
    Bytes b = Typed("Secret!7");
    ScramblePassword(b.data(), b.size());
    EXPECT_EQ(b, Scrambled("Secret!7"));
    ScramblePassword(b.data(), b.size());
    EXPECT_EQ(b, Typed("Secret!7"));
}

TEST(KeysStretch, SixCharactersTo16And24Bytes)
{
    const Bytes pw = Typed("abcdef");
    const Bytes pw4 = Slice(pw, 0, 4);
    std::uint8_t key[24];
    StretchKey(key, pw.data(), 16, 6);
    EXPECT_EQ(Bytes(key, key + 16), ExpectedStretch(Concat({pw, pw, pw4})));
    StretchKey(key, pw.data(), 24, 6);
    EXPECT_EQ(Bytes(key, key + 24), ExpectedStretch(Concat({pw, pw, pw, pw})));
}

TEST(KeysStretch, LongPasswordIsUsedOnceAndCutAtTheKeyLength)
{
    const Bytes pw = Typed("0123456789ABCDEFGHIJKLMNOPQRS"); // 29 characters
    std::uint8_t key[24];
    StretchKey(key, pw.data(), 16, 16);
    EXPECT_EQ(Bytes(key, key + 16), ExpectedStretch(Slice(pw, 0, 16)));
    StretchKey(key, pw.data(), 16, 29);
    EXPECT_EQ(Bytes(key, key + 16), ExpectedStretch(Slice(pw, 0, 16)));
    StretchKey(key, pw.data(), 24, 29);
    EXPECT_EQ(Bytes(key, key + 24), ExpectedStretch(Slice(pw, 0, 24)));
    // Seven characters into 24: three whole copies and the first three again.
    StretchKey(key, pw.data(), 24, 7);
    const Bytes p7 = Slice(pw, 0, 7);
    EXPECT_EQ(Bytes(key, key + 24), ExpectedStretch(Concat({p7, p7, p7, Slice(pw, 0, 3)})));
}

TEST(KeysStretch, XorPatternLiterals)
{
    // Literal values pin the formula itself, not only its re-derivation above.
    const Bytes zeros(24, 0);
    std::uint8_t key[24];
    StretchKey(key, zeros.data(), 24, 24);
    EXPECT_EQ(key[0], 0x4B);
    EXPECT_EQ(key[1], 0x4F);
    EXPECT_EQ(key[15], 0x87);
    EXPECT_EQ(key[23], 0xA7);
}

TEST(KeysDerive, DesKeysFromTypedOrScrambledCharacters)
{
    const std::string text = "abc123";
    const Bytes s = Scrambled(text);
    const Bytes typedKey = Concat({Typed(text), Bytes(2, 0)});
    const Bytes scrambledKey = Concat({s, Bytes(2, 0)});
    EXPECT_EQ(Derive(0, s, 6), typedKey);
    EXPECT_EQ(Derive(2, s, 6), typedKey);
    EXPECT_EQ(Derive(3, s, 6), scrambledKey);
}

TEST(KeysDerive, StretchedKeysStartFromScrambledCharacters)
{
    const std::string text = "password";
    const Bytes s = Scrambled(text);
    EXPECT_EQ(Derive(1, s, 8), ExpectedStretch(Concat({s, s})));
    EXPECT_EQ(Derive(4, s, 8), ExpectedStretch(Concat({s, s, s})));
}

TEST(KeysDerive, LongPasswordIsClippedToTheKeyLength)
{
    const Bytes ten = Scrambled("abcdefghij");
    const Bytes eight = Scrambled("abcdefgh");
    EXPECT_EQ(Derive(3, ten, 10), Derive(3, eight, 8));
    EXPECT_EQ(Derive(0, ten, 10), Derive(0, eight, 8));
    const Bytes thirty = Scrambled("abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_EQ(Derive(1, thirty, 30), ExpectedStretch(Slice(thirty, 0, 16)));
    EXPECT_EQ(Derive(4, thirty, 30), ExpectedStretch(Slice(thirty, 0, 24)));
    // The length argument decides, not the bytes beyond it.
    EXPECT_EQ(Derive(3, ten, 6), Concat({Slice(ten, 0, 6), Bytes(2, 0)}));
}

TEST(KeysDerive, UnknownMethodGivesNoKey)
{
    const Bytes s = Scrambled("abcdef");
    std::uint8_t key[kMaxKeyLength] = {};
    EXPECT_EQ(DeriveKey(5, s.data(), 6, key), 0);
    EXPECT_EQ(DeriveKey(-1, s.data(), 6, key), 0);
}

TEST(KeysCheck, LowSixteenBitsOfTheChecksum)
{
    const Bytes key = Typed("\x01\x02\x03\x04\x05\x06\x07\x08");
    const std::uint32_t full = UpdateChecksum(0, key.data(), key.size());
    EXPECT_EQ(KeyCheck(key.data(), 8), static_cast<std::uint16_t>(full & 0xFFFF));
    // "abc" has the published checksum 0x5C6277B7.
    EXPECT_EQ(KeyCheck(reinterpret_cast<const std::uint8_t*>("abc"), 3), 0x77B7);
    EXPECT_EQ(KeyCheck(key.data(), 0), 0);
    // Only the first `count` bytes count.
    EXPECT_EQ(KeyCheck(reinterpret_cast<const std::uint8_t*>("abcXYZ"), 3), 0x77B7);
}

TEST(KeysClipping, TenCharacterPasswordOnDesKeepsItsLength)
{
    const std::string dir = testplatform::MakeTempDir("keys");
    struct RemoveAtEnd
    {
        std::string path;
        ~RemoveAtEnd() { std::filesystem::remove_all(path); }
    } cleanup{dir};
    const std::string plain = dir + "/plain.txt";
    std::ofstream(plain, std::ios::binary) << "some text";

    TKV_Pwd pwd;
    pwd.SetPassword("abcdefghij");
    ASSERT_EQ(pwd.PwdLength, 10);
    const int result = pwd.EncryptFile(plain, kMethodDes);
    EXPECT_EQ(pwd.PwdLength, 10);

    // The stored key check is that of the first eight characters.
    std::ifstream in(plain + ".cry", std::ios::binary);
    std::uint8_t header[14] = {};
    in.read(reinterpret_cast<char*>(header), 14);
    const Bytes eightKey = Derive(3, Scrambled("abcdefgh"), 8);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(header[12] | header[13] << 8, KeyCheck(eightKey.data(), 8));
}
