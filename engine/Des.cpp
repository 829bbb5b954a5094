// SPDX-License-Identifier: GPL-3.0-or-later
// Table-driven DES: schedule made once, S-boxes and P merged into eight 64-entry tables, the
// initial and final permutations done as five masked exchanges. Its tables are computed from the
// ones in DesTables.h, which the bit-serial implementation reads directly.
#include "Des.h"

#include "DesTables.h"
#include "SecureZero.h"

#include <array>
#include <bit>
#include <cstring>

namespace {

using namespace DesTables;

// Left rotation of C and D reached in each round.
constexpr std::array<std::uint8_t, 16> MakeTotalRotations()
{
    std::array<std::uint8_t, 16> total{};
    int sum = 0;
    for (int round = 0; round < 16; ++round) {
        sum += kLeftShifts[round];
        total[static_cast<std::size_t>(round)] = static_cast<std::uint8_t>(sum);
    }
    return total;
}

constexpr std::array<std::uint8_t, 16> kTotalRotations = MakeTotalRotations();

constexpr std::uint8_t kBitMask[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};

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

// The same tables indexed by a whole byte, whose top two bits they ignore: a round then reads
// its eight indexes as bytes and needs no masking.
using ByteSpTables = std::array<std::array<std::uint32_t, 256>, 8>;
constexpr ByteSpTables MakeByteSpTables()
{
    ByteSpTables wide{};
    for (std::size_t box = 0; box < 8; ++box)
        for (std::size_t x = 0; x < 256; ++x)
            wide[box][x] = kSp[box][x & 0x3f];
    return wide;
}

constexpr ByteSpTables kSpByte = MakeByteSpTables();

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
    return kSpByte[0][x >> 24] | kSpByte[2][(x >> 16) & 0xff] | kSpByte[4][(x >> 8) & 0xff] | kSpByte[6][x & 0xff] |
           kSpByte[1][y >> 24] | kSpByte[3][(y >> 16) & 0xff] | kSpByte[5][(y >> 8) & 0xff] | kSpByte[7][y & 0xff];
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

std::uint64_t DesBlockWord(const DesSchedule& schedule, std::uint64_t block) noexcept
{
    // Byte 0 lowest: the block's first four bytes, read most significant first, are the left half.
    std::uint32_t l = Bswap32(static_cast<std::uint32_t>(block));
    std::uint32_t r = Bswap32(static_cast<std::uint32_t>(block >> 32));
    InitialPermutation(l, r);
    Rounds(schedule.words, l, r);
    FinalPermutation(r, l);
    return std::uint64_t{Bswap32(l)} << 32 | Bswap32(r);
}

std::uint64_t DesBlock3Word(const DesSchedule& a, const DesSchedule& b, const DesSchedule& c,
                            std::uint64_t block) noexcept
{
    std::uint32_t l = Bswap32(static_cast<std::uint32_t>(block));
    std::uint32_t r = Bswap32(static_cast<std::uint32_t>(block >> 32));
    InitialPermutation(l, r);
    Rounds(a.words, l, r);
    Rounds(b.words, r, l);
    Rounds(c.words, l, r);
    FinalPermutation(r, l);
    return std::uint64_t{Bswap32(l)} << 32 | Bswap32(r);
}
