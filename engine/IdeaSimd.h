// SPDX-License-Identifier: GPL-3.0-or-later
// IDEA on many blocks at once, one 16-bit lane per block, for the SIMD translation units. Each of
// them includes this with its own vector type V, compiled for its own instruction set, so
// everything here stays in an unnamed namespace (no inline function shared across those units).
#pragma once

#include "Idea.h"

#include <cstddef>
#include <cstdint>

namespace {

// V supplies: Load/Store (unaligned), Set1, Add, Sub, Xor, Or, And, AndNot(a, b) = ~a & b,
// MulLo, MulHi (unsigned), SubSat (unsigned), IsZero (all ones where 0), and the unpack steps
// Lo16/Hi16/Lo32/Hi32/Lo64/Hi64 working within 128-bit lanes. A register holds kBytes / 8 blocks.
template <class V>
struct IdeaLanes
{
    using R = typename V::Reg;

    // Product modulo 65537 with 0 standing for 65536: lo - hi, plus 1 on a borrow; where a
    // factor is 0 the product is 1 - a - b instead.
    static R Mul(R a, R b) noexcept
    {
        const R lo = V::MulLo(a, b);
        const R hi = V::MulHi(a, b);
        const R noBorrow = V::IsZero(V::SubSat(hi, lo)); // ones where hi <= lo
        // The mask plus one is 1 exactly where lo - hi borrows.
        const R product = V::Add(V::Sub(lo, hi), V::Add(noBorrow, V::Set1(1)));
        const R zero = V::IsZero(V::Or(lo, hi));
        const R other = V::Sub(V::Sub(V::Set1(1), a), b);
        return V::Or(V::AndNot(zero, product), V::And(zero, other));
    }

    // Four registers of blocks in memory order into one register per word of the block.
    static void Split(R& a, R& b, R& c, R& d) noexcept
    {
        const R t0 = V::Lo16(a, b), t1 = V::Hi16(a, b), t2 = V::Lo16(c, d), t3 = V::Hi16(c, d);
        const R u0 = V::Lo16(t0, t1), u1 = V::Hi16(t0, t1), u2 = V::Lo16(t2, t3), u3 = V::Hi16(t2, t3);
        a = V::Lo64(u0, u2);
        b = V::Hi64(u0, u2);
        c = V::Lo64(u1, u3);
        d = V::Hi64(u1, u3);
    }

    // The inverse of Split.
    static void Join(R& a, R& b, R& c, R& d) noexcept
    {
        const R p0 = V::Lo16(a, b), p1 = V::Hi16(a, b), p2 = V::Lo16(c, d), p3 = V::Hi16(c, d);
        a = V::Lo32(p0, p2);
        b = V::Hi32(p0, p2);
        c = V::Lo32(p1, p3);
        d = V::Hi32(p1, p3);
    }

    // Deciphers or enciphers (as the subkeys say) `batches` groups of 4 * kBytes / 8 blocks in place.
    static void Blocks(const IdeaKeySchedule& schedule, std::uint8_t* data, std::size_t batches) noexcept
    {
        R k[52];
        for (int i = 0; i < 52; ++i)
            k[i] = V::Set1(schedule.subkeys[i]);
        for (std::size_t n = 0; n < batches; ++n, data += 4 * V::kBytes) {
            // Words of this format are stored low byte first, as the 16-bit lanes of x86 are.
            R x1 = V::Load(data), x2 = V::Load(data + V::kBytes), x3 = V::Load(data + 2 * V::kBytes),
              x4 = V::Load(data + 3 * V::kBytes);
            Split(x1, x2, x3, x4);
            for (int round = 0; round < 8; ++round) {
                const R* s = k + 6 * round;
                x1 = Mul(x1, s[0]);
                x2 = V::Add(x2, s[1]);
                x3 = V::Add(x3, s[2]);
                x4 = Mul(x4, s[3]);
                const R m = Mul(V::Xor(x1, x3), s[4]);
                const R t1 = Mul(V::Add(m, V::Xor(x2, x4)), s[5]);
                const R t0 = V::Add(m, t1);
                x1 = V::Xor(x1, t1);
                x4 = V::Xor(x4, t0);
                const R t = V::Xor(x2, t0);
                x2 = V::Xor(x3, t1);
                x3 = t;
            }
            R y1 = Mul(x1, k[48]), y2 = V::Add(x3, k[49]), y3 = V::Add(x2, k[50]), y4 = Mul(x4, k[51]);
            Join(y1, y2, y3, y4);
            V::Store(data, y1);
            V::Store(data + V::kBytes, y2);
            V::Store(data + 2 * V::kBytes, y3);
            V::Store(data + 3 * V::kBytes, y4);
        }
    }
};

} // namespace
