// SPDX-License-Identifier: GPL-3.0-or-later
// IDEA (64-bit block, 128-bit key, 8 rounds and an output transformation). Unlike the usual
// byte order, every 16-bit word of key and block is read from memory low byte first and stored
// back the same way: standard IDEA applied to byte-swapped words.
#pragma once

#include <cstdint>

struct IdeaKeySchedule
{
    std::uint16_t subkeys[52];
};

// Product modulo 65537 where the word 0 stands for 65536.
std::uint16_t IdeaMul(std::uint16_t a, std::uint16_t b) noexcept;
// Multiplicative inverse modulo 65537; 0 and 1 are returned unchanged.
std::uint16_t IdeaInverse(std::uint16_t x) noexcept;
// Enciphering subkeys from 16 key bytes.
void IdeaExpandKey(const std::uint8_t* key, IdeaKeySchedule& encrypt) noexcept;
// Deciphering subkeys from enciphering ones; `encrypt` is left unchanged.
void IdeaInvertKey(const IdeaKeySchedule& encrypt, IdeaKeySchedule& decrypt) noexcept;
// input -> output under the subkeys (the same operation in both directions); input may equal output.
void IdeaBlock(const std::uint8_t* input, std::uint8_t* output, const IdeaKeySchedule& schedule) noexcept;
// IdeaBlock on a block held as a word, byte 0 lowest (GetLe64): word i of the block is bits
// 16i to 16i + 15.
std::uint64_t IdeaBlockWord(std::uint64_t block, const IdeaKeySchedule& schedule) noexcept;
