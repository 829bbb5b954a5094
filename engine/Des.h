// SPDX-License-Identifier: GPL-3.0-or-later
// DES as published in FIPS 46-3, in two implementations that compute the same cipher: the
// bit-serial one (every bit in a byte, schedule rebuilt per block) is the reference the tests hold
// the others to; the table-driven one (SP tables, schedule made once) enciphers the chained
// methods one block at a time. Many blocks at once go through the bitsliced one (WideCiphers.h).
// Blocks and keys are 8 bytes in the standard order; key parity bits are ignored.
#pragma once

#include <cstdint>

// input -> output under key. direction: 1 = encipher, 0 = decipher. input may equal output.
void BitDesBlock(const std::uint8_t* input, std::uint8_t* output, const std::uint8_t* key, int direction) noexcept;

// 16 round keys of two words each; decryption schedules hold them in reverse order so that
// DesBlock has no direction of its own.
struct DesSchedule
{
    std::uint32_t words[32];
};

// direction: 0 = encipher, 1 = decipher (the opposite convention of BitDesBlock, kept on purpose).
void DesMakeSchedule(DesSchedule& schedule, const std::uint8_t* key, int direction) noexcept;

// Enciphers or deciphers the 8-byte block in place, as the schedule was made.
void DesBlock(const DesSchedule& schedule, std::uint8_t* block) noexcept;

// DesBlock with a, then b, then c, in place; the same result as three DesBlock calls, but the
// permutations between the stages cancel and are skipped. Triple DES EDE passes
// (K1 enc, K2 dec, K3 enc) to encipher and (K3 dec, K2 enc, K1 dec) to decipher.
void DesBlock3(const DesSchedule& a, const DesSchedule& b, const DesSchedule& c, std::uint8_t* block) noexcept;

// DesBlock and DesBlock3 on a block held as a word, byte 0 lowest (GetLe64), so that a CBC loop
// keeps its chain in a register instead of a round trip through memory per block.
std::uint64_t DesBlockWord(const DesSchedule& schedule, std::uint64_t block) noexcept;
std::uint64_t DesBlock3Word(const DesSchedule& a, const DesSchedule& b, const DesSchedule& c,
                            std::uint64_t block) noexcept;
