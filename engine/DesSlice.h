// SPDX-License-Identifier: GPL-3.0-or-later
// Bitsliced DES for the SIMD translation units: bit j of every block in one word (a "plane"),
// so that a word of W bits carries W blocks through every round at once. The S-boxes become
// multiplexer trees over their six inputs, built at compile time from the printed tables.
// Each unit includes this with its own word type, so everything stays in an unnamed namespace.
#pragma once

#include "DesTables.h"
#include "WideCiphers.h"

#include <cstddef>
#include <cstdint>
#include <utility> // integer_sequence

namespace {

// kSliceCodes[box][bit][prefix]: output bit `bit` (0 = most significant) of the S-box for the
// four first inputs `prefix`, as a 4-bit truth table over the last two (bit k: inputs 5 and 6 = k).
// Plain arrays rather than std::array: a library template instantiated here, compiled for a wider
// instruction set, could be the copy the linker keeps for every other unit.
struct SliceCodes
{
    std::uint8_t of[8][4][16];
};
constexpr SliceCodes MakeSliceCodes()
{
    SliceCodes codes{};
    for (int box = 0; box < 8; ++box)
        for (int bit = 0; bit < 4; ++bit)
            for (int prefix = 0; prefix < 16; ++prefix) {
                int code = 0;
                for (int k = 0; k < 4; ++k) {
                    const int x = prefix << 2 | k;
                    const int row = ((x >> 4) & 2) | (x & 1);
                    const int column = (x >> 1) & 15;
                    code |= ((DesTables::kSBoxes[box][row][column] >> (3 - bit)) & 1) << k;
                }
                codes.of[box][bit][prefix] = static_cast<std::uint8_t>(code);
            }
    return codes;
}
constexpr auto kSliceCodes = MakeSliceCodes();

// For words with a three-input logic operation: kSliceCodes3.of[box][bit][prefix] is output bit
// `bit` for the three first inputs `prefix`, as an 8-bit truth table over the last three (bit t:
// inputs 4 to 6 = t), which is that operation's immediate for the operands (x4, x5, x6).
struct SliceCodes3
{
    std::uint8_t of[8][4][8];
};
constexpr SliceCodes3 MakeSliceCodes3()
{
    SliceCodes3 codes{};
    for (int box = 0; box < 8; ++box)
        for (int bit = 0; bit < 4; ++bit)
            for (int prefix = 0; prefix < 8; ++prefix) {
                int code = 0;
                for (int t = 0; t < 8; ++t) {
                    const int x = prefix << 3 | t;
                    const int row = ((x >> 4) & 2) | (x & 1);
                    const int column = (x >> 1) & 15;
                    code |= ((DesTables::kSBoxes[box][row][column] >> (3 - bit)) & 1) << t;
                }
                codes.of[box][bit][prefix] = static_cast<std::uint8_t>(code);
            }
    return codes;
}
constexpr auto kSliceCodes3 = MakeSliceCodes3();

// Where bit j of the S-box outputs lands in f (the inverse of the permutation P).
struct InversePermutation
{
    std::uint8_t of[32];
};
constexpr InversePermutation MakeInversePermutation()
{
    InversePermutation inverse{};
    for (int i = 0; i < 32; ++i)
        inverse.of[DesTables::kPermutation[i] - 1] = static_cast<std::uint8_t>(i);
    return inverse;
}
constexpr auto kInversePermutation = MakeInversePermutation();

// W supplies: Reg, kWords (64-bit words per Reg), Load/Store of kWords blocks, Bswap (within
// each 64-bit word), Shl<n>/Shr<n> (each 64-bit word), Broadcast(word), Xor, And,
// AndNot(a, b) = ~a & b, Not and Mux(s, a, b) = s ? b : a bitwise; and kTernary, true
// when it has Ternary<table>(a, b, c), any function of three words by its 8-bit truth table.
template <class W>
struct DesSlice
{
    using R = typename W::Reg;
    static constexpr std::size_t kBlocks = 64 * W::kWords;

    // The 16 functions of two inputs, indexed by truth table.
    static void TwoInputFunctions(R x4, R x5, R* f) noexcept
    {
        const R n4 = W::Not(x4);
        const R m[4] = {W::AndNot(x5, n4), W::And(n4, x5), W::AndNot(x5, x4), W::And(x4, x5)};
        f[0] = W::Xor(x4, x4);
        for (int c = 1; c < 16; ++c)
            f[c] = W::Xor(f[c & (c - 1)], m[__builtin_ctz(static_cast<unsigned>(c))]);
    }

    // One output bit from a three-input operation per value of the first three inputs, and a
    // multiplexer tree over those.
    template <int box, int bit, int... prefix>
    static R TernaryBit(const R* x, std::integer_sequence<int, prefix...>) noexcept
    {
        R g[8] = {W::template Ternary<kSliceCodes3.of[box][bit][prefix]>(x[3], x[4], x[5])...};
        for (int q = 0; q < 4; ++q)
            g[q] = W::Mux(x[2], g[2 * q], g[2 * q + 1]);
        for (int q = 0; q < 2; ++q)
            g[q] = W::Mux(x[1], g[2 * q], g[2 * q + 1]);
        return W::Mux(x[0], g[0], g[1]);
    }

    template <int box, int... bit>
    static void TernaryBits(R* l, const R* x, std::integer_sequence<int, bit...>) noexcept
    {
        ((l[kInversePermutation.of[4 * box + bit]] = W::Xor(
              l[kInversePermutation.of[4 * box + bit]], TernaryBit<box, bit>(x, std::make_integer_sequence<int, 8>{}))),
         ...);
    }

    template <int box>
    static void SBox(R* l, const R* r, const std::uint64_t* key) noexcept
    {
        R x[6];
        for (int j = 0; j < 6; ++j)
            x[j] = W::Xor(r[DesTables::kExpansion[6 * box + j] - 1], W::Broadcast(key[6 * box + j]));
        if constexpr (W::kTernary) {
            TernaryBits<box>(l, x, std::make_integer_sequence<int, 4>{});
        } else {
            R f[16];
            TwoInputFunctions(x[4], x[5], f);
#pragma GCC unroll 4
            for (int bit = 0; bit < 4; ++bit) {
                const std::uint8_t* code = kSliceCodes.of[box][bit];
                R g[8];
#pragma GCC unroll 8
                for (int q = 0; q < 8; ++q)
                    g[q] = W::Mux(x[3], f[code[2 * q]], f[code[2 * q + 1]]);
                for (int q = 0; q < 4; ++q)
                    g[q] = W::Mux(x[2], g[2 * q], g[2 * q + 1]);
                for (int q = 0; q < 2; ++q)
                    g[q] = W::Mux(x[1], g[2 * q], g[2 * q + 1]);
                R& target = l[kInversePermutation.of[4 * box + bit]];
                target = W::Xor(target, W::Mux(x[0], g[0], g[1]));
            }
        }
    }

    template <int... box>
    static void Round(R* l, const R* r, const std::uint64_t* key, std::integer_sequence<int, box...>) noexcept
    {
        (SBox<box>(l, r, key), ...);
    }

    // One step of the transposition: exchanges the bits selected by mask << n in rows i with
    // those selected by mask in rows i + n, for every i with bit n clear.
    template <unsigned n>
    static void Exchange(R* a, std::uint64_t maskWord) noexcept
    {
        const R mask = W::Broadcast(maskWord);
        for (unsigned base = 0; base < 64; base += 2 * n)
            for (unsigned i = base; i < base + n; ++i) {
                const R t = W::And(W::Xor(a[i], W::template Shr<n>(a[i + n])), mask);
                a[i] = W::Xor(a[i], t);
                a[i + n] = W::Xor(a[i + n], W::template Shl<n>(t));
            }
    }

    // Transposes the 64x64 bit matrix in every 64-bit lane of the 64 rows across its
    // anti-diagonal: bit p of row r goes to bit 63 - r of row 63 - p. Applied twice it is the
    // identity, so the same routine goes in and out.
    static void AntiTranspose(R* a) noexcept
    {
        Exchange<32>(a, 0x00000000ffffffffull);
        Exchange<16>(a, 0x0000ffff0000ffffull);
        Exchange<8>(a, 0x00ff00ff00ff00ffull);
        Exchange<4>(a, 0x0f0f0f0f0f0f0f0full);
        Exchange<2>(a, 0x3333333333333333ull);
        Exchange<1>(a, 0x5555555555555555ull);
    }

    // Runs kBlocks blocks at data through keys.rounds rounds, in place.
    static void Batch(const DesSliceKeys& keys, std::uint8_t* data) noexcept
    {
        // Row b holds blocks kWords * b onwards, one per lane, the standard's bit 1 most significant;
        // after the transposition row j holds the standard's bit j + 1 of every block.
        R rows[64];
        for (std::size_t b = 0; b < 64; ++b)
            rows[b] = W::Bswap(W::Load(data + 8 * W::kWords * b));
        AntiTranspose(rows);
        R halves[2][32];
        R* l = halves[0];
        R* r = halves[1];
        for (int i = 0; i < 32; ++i) {
            l[i] = rows[DesTables::kInitialPermutation[i] - 1];
            r[i] = rows[DesTables::kInitialPermutation[32 + i] - 1];
        }
        for (int round = 0; round < keys.rounds; ++round) {
            Round(l, r, keys.masks[round], std::make_integer_sequence<int, 8>{});
            // Between the stages of Triple DES the final and initial permutations cancel; the
            // swap of the halves a stage's end leaves out is all that remains of them.
            if (round % 16 != 15 || round + 1 == keys.rounds) {
                R* t = l;
                l = r;
                r = t;
            }
        }
        // The last round's halves are output as R L.
        for (int i = 0; i < 64; ++i) {
            const int from = DesTables::kFinalPermutation[i] - 1;
            rows[i] = from < 32 ? r[from] : l[from - 32];
        }
        AntiTranspose(rows);
        for (std::size_t b = 0; b < 64; ++b)
            W::Store(data + 8 * W::kWords * b, W::Bswap(rows[b]));
    }

    static std::size_t Blocks(const DesSliceKeys& keys, std::uint8_t* data, std::size_t blocks) noexcept
    {
        const std::size_t batches = blocks / kBlocks;
        for (std::size_t n = 0; n < batches; ++n)
            Batch(keys, data + 8 * kBlocks * n);
        return batches * kBlocks;
    }
};

} // namespace
