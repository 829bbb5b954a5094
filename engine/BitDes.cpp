// SPDX-License-Identifier: GPL-3.0-or-later
// Bit-serial DES: every bit in a byte of its own, the tables as 1-based bit numbers exactly as
// printed in FIPS 46-3, and the key schedule rebuilt for every block. Slow, but easy to check
// line by line against the standard; files of the oldest methods depend on it.
#include "Des.h"

#include "SecureZero.h"

#include <cstring>

namespace {

constexpr std::uint8_t kInitialPermutation[64] = {
    58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4, //
    62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8, //
    57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3, //
    61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7,
};

constexpr std::uint8_t kFinalPermutation[64] = {
    40, 8, 48, 16, 56, 24, 64, 32, 39, 7, 47, 15, 55, 23, 63, 31, //
    38, 6, 46, 14, 54, 22, 62, 30, 37, 5, 45, 13, 53, 21, 61, 29, //
    36, 4, 44, 12, 52, 20, 60, 28, 35, 3, 43, 11, 51, 19, 59, 27, //
    34, 2, 42, 10, 50, 18, 58, 26, 33, 1, 41, 9,  49, 17, 57, 25,
};

constexpr std::uint8_t kExpansion[48] = {
    32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11, //
    12, 13, 12, 13, 14, 15, 16, 17, 16, 17, 18, 19, 20, 21, 20, 21, //
    22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1,
};

constexpr std::uint8_t kPermutation[32] = {
    16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10, //
    2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25,
};

constexpr std::uint8_t kPermutedChoice1[56] = {
    57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18, //
    10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36, //
    63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22, //
    14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4,
};

constexpr std::uint8_t kPermutedChoice2[48] = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2, //
    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32,
};

constexpr std::uint8_t kLeftShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

// [box][row][column], as printed.
constexpr std::uint8_t kSBoxes[8][4][16] = {
    {{14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7},
     {0, 15, 7, 4, 14, 2, 13, 1, 10, 6, 12, 11, 9, 5, 3, 8},
     {4, 1, 14, 8, 13, 6, 2, 11, 15, 12, 9, 7, 3, 10, 5, 0},
     {15, 12, 8, 2, 4, 9, 1, 7, 5, 11, 3, 14, 10, 0, 6, 13}},
    {{15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10},
     {3, 13, 4, 7, 15, 2, 8, 14, 12, 0, 1, 10, 6, 9, 11, 5},
     {0, 14, 7, 11, 10, 4, 13, 1, 5, 8, 12, 6, 9, 3, 2, 15},
     {13, 8, 10, 1, 3, 15, 4, 2, 11, 6, 7, 12, 0, 5, 14, 9}},
    {{10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8},
     {13, 7, 0, 9, 3, 4, 6, 10, 2, 8, 5, 14, 12, 11, 15, 1},
     {13, 6, 4, 9, 8, 15, 3, 0, 11, 1, 2, 12, 5, 10, 14, 7},
     {1, 10, 13, 0, 6, 9, 8, 7, 4, 15, 14, 3, 11, 5, 2, 12}},
    {{7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15},
     {13, 8, 11, 5, 6, 15, 0, 3, 4, 7, 2, 12, 1, 10, 14, 9},
     {10, 6, 9, 0, 12, 11, 7, 13, 15, 1, 3, 14, 5, 2, 8, 4},
     {3, 15, 0, 6, 10, 1, 13, 8, 9, 4, 5, 11, 12, 7, 2, 14}},
    {{2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9},
     {14, 11, 2, 12, 4, 7, 13, 1, 5, 0, 15, 10, 3, 9, 8, 6},
     {4, 2, 1, 11, 10, 13, 7, 8, 15, 9, 12, 5, 6, 3, 0, 14},
     {11, 8, 12, 7, 1, 14, 2, 13, 6, 15, 0, 9, 10, 4, 5, 3}},
    {{12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11},
     {10, 15, 4, 2, 7, 12, 9, 5, 6, 1, 13, 14, 0, 11, 3, 8},
     {9, 14, 15, 5, 2, 8, 12, 3, 7, 0, 4, 10, 1, 13, 11, 6},
     {4, 3, 2, 12, 9, 5, 15, 10, 11, 14, 1, 7, 6, 0, 8, 13}},
    {{4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1},
     {13, 0, 11, 7, 4, 9, 1, 10, 14, 3, 5, 12, 2, 15, 8, 6},
     {1, 4, 11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5, 9, 2},
     {6, 11, 13, 8, 1, 4, 10, 7, 9, 5, 0, 15, 14, 2, 3, 12}},
    {{13, 2, 8, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7},
     {1, 15, 13, 8, 10, 3, 7, 4, 12, 5, 6, 11, 0, 14, 9, 2},
     {7, 11, 4, 1, 9, 12, 14, 2, 0, 6, 10, 13, 15, 3, 5, 8},
     {2, 1, 14, 7, 4, 10, 8, 13, 15, 12, 9, 0, 3, 5, 6, 11}},
};

} // namespace

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
