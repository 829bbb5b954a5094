// SPDX-License-Identifier: GPL-3.0-or-later
// Method codes of the container format and how cipher keys are made from a password.
#pragma once

#include <cstddef>
#include <cstdint>

enum EncryptionMethod : int
{
    kMethodDesEcb = 0,    // "KV97": bit-serial DES, every block alone, key from the typed characters
    kMethodIdea = 1,      // "KV98": IDEA-CBC
    kMethodDesTyped = 2,  // "KV9A": bit-serial DES-CBC, key from the typed characters
    kMethodDes = 3,       // "KV9B": table-driven DES-CBC, key from the scrambled characters
    kMethodTripleDes = 4, // "KV9C": Triple DES EDE, outer CBC
};

constexpr int kShortHeaderLength = 14;
constexpr int kLongHeaderLength = 35;
constexpr int kMaxKeyLength = 24;

struct MethodInfo
{
    char magic[5];
    int keyLength;
    int headerLength;
    const char* name;
};

// The table row of a method code, or nullptr for a code outside 0..4.
const MethodInfo* FindMethod(int method) noexcept;
// The method code named by the fourth magic byte, or -1 when it names none.
int MethodFromMagicByte(std::uint8_t fourth) noexcept;
// "DES", "IDEA" or "3xDES"; nullptr for a code outside 0..4.
const char* MethodName(int method) noexcept;
// "DES", "IDEA", "3xDES" for a known fourth magic byte, "-" otherwise.
const char* MethodTagForMagicByte(std::uint8_t fourth) noexcept;

// Passwords are held XOR this mask; applying it twice gives back the bytes.
constexpr std::uint8_t kScrambleMask = 0x6E;
void ScramblePassword(std::uint8_t* bytes, std::size_t count) noexcept;

// key[i] = password[i mod a] XOR ((4i + 0x4B) mod 256) for i < keyLength, a = min(passwordLength,
// keyLength). An empty password, which no caller passes, gives the XOR pattern alone.
void StretchKey(std::uint8_t* key, const std::uint8_t* password, int keyLength, int passwordLength) noexcept;

// Fills `key` (kMaxKeyLength bytes of room) with the key of `method` from a scrambled password
// of which only the first min(passwordLength, key length) bytes are used; the caller's length is
// not changed. Returns the key length, or 0 for an unknown method.
int DeriveKey(int method, const std::uint8_t* scrambled, int passwordLength, std::uint8_t* key) noexcept;

// Low 16 bits of the checksum over the first `count` key bytes.
std::uint16_t KeyCheck(const std::uint8_t* key, int count) noexcept;
