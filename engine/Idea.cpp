// SPDX-License-Identifier: GPL-3.0-or-later
#include "Idea.h"

#include "ByteOrder.h"
#include "SecureZero.h"

namespace {

// Multiplication modulo 65537 without a data-dependent branch: both cases are computed and the
// zero case is selected by a mask, so that the time taken does not depend on the words.
inline std::uint16_t Mul(std::uint32_t a, std::uint32_t b)
{
    const std::uint32_t p = a * b;
    const std::uint32_t lo = p & 0xffff;
    const std::uint32_t hi = p >> 16;
    // 65536 is -1 modulo 65537, so p = hi * 65536 + lo is lo - hi; a borrow wraps by 65537.
    const std::uint32_t product = lo - hi + (lo < hi);
    // p is 0 only when a factor is 0, i.e. 65536 = -1: the result is then 1 - (the other factor).
    const std::uint32_t zero = 1 - a - b;
    const std::uint32_t isZero = 0u - (p == 0);
    return static_cast<std::uint16_t>((product & ~isZero) | (zero & isZero));
}

} // namespace

std::uint16_t IdeaMul(std::uint16_t a, std::uint16_t b) noexcept
{
    return Mul(a, b);
}

std::uint16_t IdeaInverse(std::uint16_t x) noexcept
{
    if (x <= 1) return x;
    // Extended Euclid on (65537, x), tracking only the coefficient of x.
    std::int32_t r0 = 65537, r1 = x;
    std::int32_t t0 = 0, t1 = 1;
    while (r1 != 0) {
        const std::int32_t q = r0 / r1;
        const std::int32_t r = r0 - q * r1;
        r0 = r1;
        r1 = r;
        const std::int32_t t = t0 - q * t1;
        t0 = t1;
        t1 = t;
    }
    if (t0 < 0) t0 += 65537;
    return static_cast<std::uint16_t>(t0);
}

void IdeaExpandKey(const std::uint8_t* key, IdeaKeySchedule& encrypt) noexcept
{
    // The 128-bit key with word 0 most significant, rotated left by 25 bits after every 8 subkeys.
    std::uint64_t hi = 0, lo = 0;
    for (int i = 0; i < 4; ++i) {
        hi = hi << 16 | GetLe16(key + 2 * i);
        lo = lo << 16 | GetLe16(key + 8 + 2 * i);
    }
    for (int i = 0; i < 52; ++i) {
        if (i > 0 && i % 8 == 0) {
            const std::uint64_t h = hi << 25 | lo >> 39;
            lo = lo << 25 | hi >> 39;
            hi = h;
        }
        const int j = i % 8;
        encrypt.subkeys[i] = static_cast<std::uint16_t>((j < 4 ? hi : lo) >> (48 - 16 * (j % 4)));
    }
    SecureZero(&hi, sizeof hi);
    SecureZero(&lo, sizeof lo);
}

void IdeaInvertKey(const IdeaKeySchedule& encrypt, IdeaKeySchedule& decrypt) noexcept
{
    // Built in a copy so that decrypt may alias encrypt.
    IdeaKeySchedule work;
    const std::uint16_t* e = encrypt.subkeys;
    for (int round = 0; round <= 8; ++round) {
        const std::uint16_t* from = e + 6 * (8 - round);
        std::uint16_t* to = work.subkeys + 6 * round;
        // The middle rounds swap their additive keys because the round function swaps x2 and x3.
        const bool swap = round != 0 && round != 8;
        to[0] = IdeaInverse(from[0]);
        to[1] = static_cast<std::uint16_t>(-from[swap ? 2 : 1]);
        to[2] = static_cast<std::uint16_t>(-from[swap ? 1 : 2]);
        to[3] = IdeaInverse(from[3]);
        if (round < 8) {
            to[4] = e[6 * (7 - round) + 4];
            to[5] = e[6 * (7 - round) + 5];
        }
    }
    decrypt = work;
    SecureZero(&work, sizeof work);
}

std::uint64_t IdeaBlockWord(std::uint64_t block, const IdeaKeySchedule& schedule) noexcept
{
    std::uint16_t x1 = static_cast<std::uint16_t>(block);
    std::uint16_t x2 = static_cast<std::uint16_t>(block >> 16);
    std::uint16_t x3 = static_cast<std::uint16_t>(block >> 32);
    std::uint16_t x4 = static_cast<std::uint16_t>(block >> 48);
    const std::uint16_t* k = schedule.subkeys;
#pragma GCC unroll 8
    for (int round = 0; round < 8; ++round, k += 6) {
        x1 = Mul(x1, k[0]);
        x2 = static_cast<std::uint16_t>(x2 + k[1]);
        x3 = static_cast<std::uint16_t>(x3 + k[2]);
        x4 = Mul(x4, k[3]);
        const std::uint16_t s = Mul(x1 ^ x3, k[4]);
        const std::uint16_t t1 = Mul(static_cast<std::uint16_t>(s + (x2 ^ x4)), k[5]);
        const std::uint16_t t0 = static_cast<std::uint16_t>(s + t1);
        x1 ^= t1;
        x4 ^= t0;
        const std::uint16_t t = x2 ^ t0;
        x2 = x3 ^ t1;
        x3 = t;
    }
    return std::uint64_t{Mul(x1, k[0])} | std::uint64_t{static_cast<std::uint16_t>(x3 + k[1])} << 16 |
           std::uint64_t{static_cast<std::uint16_t>(x2 + k[2])} << 32 | std::uint64_t{Mul(x4, k[3])} << 48;
}

void IdeaBlock(const std::uint8_t* input, std::uint8_t* output, const IdeaKeySchedule& schedule) noexcept
{
    PutLe64(output, IdeaBlockWord(GetLe64(input), schedule));
}
