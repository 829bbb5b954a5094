// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keys.h"

#include "Checksum.h"

#include <algorithm>

namespace {

constexpr MethodInfo kMethods[] = {
    {"KV97", 8, kShortHeaderLength, "DES"},   {"KV98", 16, kLongHeaderLength, "IDEA"},
    {"KV9A", 8, kShortHeaderLength, "DES"},   {"KV9B", 8, kLongHeaderLength, "DES"},
    {"KV9C", 24, kLongHeaderLength, "3xDES"},
};

} // namespace

const MethodInfo* FindMethod(int method) noexcept
{
    return method >= 0 && method <= 4 ? &kMethods[method] : nullptr;
}

int MethodFromMagicByte(std::uint8_t fourth) noexcept
{
    switch (fourth) {
    case '7':
        return kMethodDesEcb;
    case '8':
        return kMethodIdea;
    case 'A':
        return kMethodDesTyped;
    case 'B':
        return kMethodDes;
    case 'C':
        return kMethodTripleDes;
    default:
        return -1;
    }
}

const char* MethodName(int method) noexcept
{
    const MethodInfo* info = FindMethod(method);
    return info ? info->name : nullptr;
}

const char* MethodTagForMagicByte(std::uint8_t fourth) noexcept
{
    const char* name = MethodName(MethodFromMagicByte(fourth));
    return name ? name : "-";
}

void ScramblePassword(std::uint8_t* bytes, std::size_t count) noexcept
{
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] ^= kScrambleMask;
}

void StretchKey(std::uint8_t* key, const std::uint8_t* password, int keyLength, int passwordLength) noexcept
{
    const int a = std::min(passwordLength, keyLength);
    for (int i = 0; i < keyLength; ++i) {
        const std::uint8_t source = a > 0 ? password[i % a] : 0;
        key[i] = static_cast<std::uint8_t>(source ^ ((4 * i + 0x4B) & 0xFF));
    }
}

int DeriveKey(int method, const std::uint8_t* scrambled, int passwordLength, std::uint8_t* key) noexcept
{
    const MethodInfo* info = FindMethod(method);
    if (info == nullptr) return 0;
    const int length = info->keyLength;
    // Clipping is local to this key: the holder's length stays as it was, so a long password used
    // once on a DES file still gives its full key to the next IDEA or Triple DES file.
    const int used = std::clamp(passwordLength, 0, length);
    if (length == 8) {
        for (int i = 0; i < 8; ++i)
            key[i] = i < used ? scrambled[i] : 0;
        // The old DES methods key on the characters as typed; method 3 keeps the scrambled bytes.
        if (method != kMethodDes) ScramblePassword(key, static_cast<std::size_t>(used));
    } else {
        StretchKey(key, scrambled, length, used);
    }
    return length;
}

std::uint16_t KeyCheck(const std::uint8_t* key, int count) noexcept
{
    return static_cast<std::uint16_t>(UpdateChecksum(0, key, count > 0 ? static_cast<std::size_t>(count) : 0) & 0xFFFF);
}
