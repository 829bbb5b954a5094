// SPDX-License-Identifier: GPL-3.0-or-later
// Table-driven DES: schedule made once, S-boxes and P merged into eight 64-entry tables, the
// initial and final permutations done as five masked exchanges. It keeps its own copies of the
// standard tables so that the bit-serial implementation stays an independent check on it.
#include "Des.h"

#include "SecureZero.h"

#include <array>
#include <bit>
#include <cstring>

namespace {

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

// Left rotation of C and D reached in each round.
constexpr std::uint8_t kTotalRotations[16] = {1, 2, 4, 6, 8, 10, 12, 14, 15, 17, 19, 21, 23, 25, 27, 28};

constexpr std::uint8_t kBitMask[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};

constexpr std::uint8_t kPermutation[32] = {
    16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10, //
    2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25,
};

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

using SpTables = std::array<std::array<std::uint32_t, 64>, 8>;

// Entry x of table k: P applied to S-box k's output for the six input bits x (first bit most
// significant), rotated left by one to match halves that are held rotated the same way.
constexpr SpTables MakeSpTables()
{
    SpTables sp{};
    for (int box = 0; box < 8; ++box) {
        for (int x = 0; x < 64; ++x) {
            const int row = ((x >> 4) & 2) | (x & 1);
            const int column = (x >> 1) & 15;
            const std::uint32_t sOut = std::uint32_t{kSBoxes[box][row][column]} << (28 - 4 * box);
            std::uint32_t p = 0;
            for (int i = 0; i < 32; ++i)
                p |= ((sOut >> (32 - kPermutation[i])) & 1u) << (31 - i);
            sp[box][x] = std::rotl(p, 1);
        }
    }
    return sp;
}

constexpr SpTables kSp = MakeSpTables();

inline std::uint32_t Bswap32(std::uint32_t v)
{
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_bswap32(v);
#else
    return (v >> 24) | ((v >> 8) & 0xff00u) | ((v << 8) & 0xff0000u) | (v << 24);
#endif
}

inline std::uint32_t LoadBigEndian(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::little) v = Bswap32(v);
    return v;
}

inline void StoreBigEndian(std::uint8_t* p, std::uint32_t v)
{
    if constexpr (std::endian::native == std::endian::little) v = Bswap32(v);
    std::memcpy(p, &v, 4);
}

// Swaps the bits of a selected by mask << shift with the bits of b selected by mask.
inline void Exchange(std::uint32_t& a, std::uint32_t& b, int shift, std::uint32_t mask)
{
    const std::uint32_t t = ((a >> shift) ^ b) & mask;
    b ^= t;
    a ^= t << shift;
}

// Leaves both halves rotated left by one bit, the form the SP tables expect.
inline void InitialPermutation(std::uint32_t& l, std::uint32_t& r)
{
    Exchange(l, r, 4, 0x0f0f0f0fu);
    Exchange(l, r, 16, 0x0000ffffu);
    Exchange(r, l, 2, 0x33333333u);
    Exchange(r, l, 8, 0x00ff00ffu);
    r = std::rotl(r, 1);
    const std::uint32_t t = (l ^ r) & 0xaaaaaaaau;
    l ^= t;
    r ^= t;
    l = std::rotl(l, 1);
}

// The exact inverse of InitialPermutation.
inline void FinalPermutation(std::uint32_t& l, std::uint32_t& r)
{
    l = std::rotr(l, 1);
    const std::uint32_t t = (l ^ r) & 0xaaaaaaaau;
    l ^= t;
    r ^= t;
    r = std::rotr(r, 1);
    Exchange(r, l, 8, 0x00ff00ffu);
    Exchange(r, l, 2, 0x33333333u);
    Exchange(l, r, 16, 0x0000ffffu);
    Exchange(l, r, 4, 0x0f0f0f0fu);
}

inline std::uint32_t F(std::uint32_t b, const std::uint32_t* k)
{
    const std::uint32_t x = std::rotr(b, 4) ^ k[0];
    const std::uint32_t y = b ^ k[1];
    return kSp[0][(x >> 24) & 0x3f] | kSp[2][(x >> 16) & 0x3f] | kSp[4][(x >> 8) & 0x3f] | kSp[6][x & 0x3f] |
           kSp[1][(y >> 24) & 0x3f] | kSp[3][(y >> 16) & 0x3f] | kSp[5][(y >> 8) & 0x3f] | kSp[7][y & 0x3f];
}

// Sixteen rounds without the last swap: the caller reads the result as (r, l). The halves are
// worked on in locals, as the references might alias the schedule and force a store per round.
inline void Rounds(const std::uint32_t* k, std::uint32_t& left, std::uint32_t& right)
{
    std::uint32_t l = left, r = right;
#pragma GCC unroll 8
    for (int i = 0; i < 32; i += 4) {
        l ^= F(r, k + i);
        r ^= F(l, k + i + 2);
    }
    left = l;
    right = r;
}

} // namespace

void DesMakeSchedule(DesSchedule& schedule, const std::uint8_t* key, int direction) noexcept
{
    struct State
    {
        std::uint8_t cd[56];      // C then D, one bit per byte
        std::uint8_t rotated[56]; // the same, advanced to the current round
        std::uint32_t groups[8];
    } st;
    WipeOnExit<State> wipe(st);

    for (int j = 0; j < 56; ++j) {
        const int bit = kPermutedChoice1[j] - 1;
        st.cd[j] = (key[bit >> 3] & kBitMask[bit & 7]) != 0;
    }
    for (int round = 0; round < 16; ++round) {
        const int r = kTotalRotations[round];
        for (int j = 0; j < 28; ++j) {
            st.rotated[j] = st.cd[(j + r) % 28];
            st.rotated[28 + j] = st.cd[28 + (j + r) % 28];
        }
        for (int g = 0; g < 8; ++g) {
            st.groups[g] = 0;
            for (int j = 0; j < 6; ++j)
                st.groups[g] = (st.groups[g] << 1) | st.rotated[kPermutedChoice2[6 * g + j] - 1];
        }
        const int slot = direction == 0 ? round : 15 - round;
        schedule.words[2 * slot] = st.groups[0] << 24 | st.groups[2] << 16 | st.groups[4] << 8 | st.groups[6];
        schedule.words[2 * slot + 1] = st.groups[1] << 24 | st.groups[3] << 16 | st.groups[5] << 8 | st.groups[7];
    }
}

void DesBlock(const DesSchedule& schedule, std::uint8_t* block) noexcept
{
    std::uint32_t l = LoadBigEndian(block);
    std::uint32_t r = LoadBigEndian(block + 4);
    InitialPermutation(l, r);
    Rounds(schedule.words, l, r);
    FinalPermutation(r, l);
    StoreBigEndian(block, r);
    StoreBigEndian(block + 4, l);
}

void DesBlock3(const DesSchedule& a, const DesSchedule& b, const DesSchedule& c, std::uint8_t* block) noexcept
{
    std::uint32_t l = LoadBigEndian(block);
    std::uint32_t r = LoadBigEndian(block + 4);
    InitialPermutation(l, r);
    // A final permutation followed by an initial one is the identity; only the swap remains.
    Rounds(a.words, l, r);
    Rounds(b.words, r, l);
    Rounds(c.words, l, r);
    FinalPermutation(r, l);
    StoreBigEndian(block, r);
    StoreBigEndian(block + 4, l);
}
