// SPDX-License-Identifier: GPL-3.0-or-later
// Bit-serial DES: every bit in a byte of its own, the tables as 1-based bit numbers exactly as
// printed in FIPS 46-3, and the key schedule rebuilt for every block. Slow, but easy to check
// line by line against the standard: the reference the faster implementations are tested against.
#include "Des.h"

#include "DesTables.h"
#include "SecureZero.h"

#include <cstring>

using namespace DesTables;

// Bit number b, 1 being the most significant bit of bytes[0].
static int GetBit(const std::uint8_t* bytes, int b)
{
    return (bytes[(b - 1) / 8] >> (7 - (b - 1) % 8)) & 1;
}

// Value 1 sets bit b, value 0 clears it, anything else leaves it alone.
static void PutBit(std::uint8_t* bytes, int b, int value)
{
    const auto mask = static_cast<std::uint8_t>(0x80 >> ((b - 1) % 8));
    if (value == 1) {
        bytes[(b - 1) / 8] |= mask;
    } else if (value == 0) {
        bytes[(b - 1) / 8] &= static_cast<std::uint8_t>(~mask);
    }
}

static void RotateHalf(std::uint8_t* half)
{
    const std::uint8_t first = half[0];
    std::memmove(half, half + 1, 27);
    half[27] = first;
}

// Advances the halves c and d to this round and selects the round's 48 key bits from them.
static void RoundKey(std::uint8_t* c, std::uint8_t* d, int shifts, std::uint8_t* roundKey)
{
    for (int s = 0; s < shifts; ++s) {
        RotateHalf(c);
        RotateHalf(d);
    }
    for (int i = 0; i < 48; ++i) {
        const int n = kPermutedChoice2[i];
        roundKey[i] = n <= 28 ? c[n - 1] : d[n - 29];
    }
}

static void FFunction(const std::uint8_t* right, const std::uint8_t* roundKey, std::uint8_t* out)
{
    std::uint8_t x[48];
    for (int i = 0; i < 48; ++i)
        x[i] = right[kExpansion[i] - 1] ^ roundKey[i];
    std::uint8_t s[32];
    for (int box = 0; box < 8; ++box) {
        const std::uint8_t* six = x + 6 * box;
        const int row = six[0] * 2 + six[5];
        const int column = six[1] * 8 + six[2] * 4 + six[3] * 2 + six[4];
        const int value = kSBoxes[box][row][column];
        for (int j = 0; j < 4; ++j)
            s[4 * box + j] = (value >> (3 - j)) & 1;
    }
    for (int i = 0; i < 32; ++i)
        out[i] = s[kPermutation[i] - 1];
    SecureZero(x, sizeof x);
    SecureZero(s, sizeof s);
}

void BitDesBlock(const std::uint8_t* input, std::uint8_t* output, const std::uint8_t* key, int direction) noexcept
{
    struct State
    {
        std::uint8_t c[28], d[28];
        std::uint8_t roundKeys[16][48];
        std::uint8_t lr[64]; // left half then right half
        std::uint8_t f[32], next[32];
        std::uint8_t preOutput[64];
        std::uint8_t result[8];
    } st;
    WipeOnExit<State> wipe(st);

    for (int i = 0; i < 28; ++i) {
        st.c[i] = static_cast<std::uint8_t>(GetBit(key, kPermutedChoice1[i]));
        st.d[i] = static_cast<std::uint8_t>(GetBit(key, kPermutedChoice1[28 + i]));
    }
    for (int round = 0; round < 16; ++round)
        RoundKey(st.c, st.d, kLeftShifts[round], st.roundKeys[round]);

    for (int i = 0; i < 64; ++i)
        st.lr[i] = static_cast<std::uint8_t>(GetBit(input, kInitialPermutation[i]));
    std::uint8_t* left = st.lr;
    std::uint8_t* right = st.lr + 32;
    for (int round = 0; round < 16; ++round) {
        FFunction(right, st.roundKeys[direction != 0 ? round : 15 - round], st.f);
        for (int i = 0; i < 32; ++i)
            st.next[i] = left[i] ^ st.f[i];
        std::memcpy(left, right, 32);
        std::memcpy(right, st.next, 32);
    }

    // The halves leave the last round swapped: the output is R16 L16.
    std::memcpy(st.preOutput, right, 32);
    std::memcpy(st.preOutput + 32, left, 32);
    for (int i = 0; i < 64; ++i)
        PutBit(st.result, i + 1, st.preOutput[kFinalPermutation[i] - 1]);
    // Only now, as input may be the same block.
    std::memcpy(output, st.result, 8);
}
