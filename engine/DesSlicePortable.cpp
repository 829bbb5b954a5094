// SPDX-License-Identifier: GPL-3.0-or-later
// Bitsliced DES on 64 blocks per batch in plain 64-bit words: the level every machine runs.
#include "DesSlice.h"

#include <bit>
#include <cstring>

namespace {

struct Word64
{
    using Reg = std::uint64_t;
    static constexpr bool kTernary = false;
    static constexpr std::size_t kWords = 1;
    static Reg Load(const std::uint8_t* p)
    {
        Reg v;
        std::memcpy(&v, p, 8);
        return v;
    }
    static void Store(std::uint8_t* p, Reg v) { std::memcpy(p, &v, 8); }
    // Blocks are read as they lie in memory; the swap puts their first byte on top either way.
    static Reg Bswap(Reg v)
    {
        if constexpr (std::endian::native == std::endian::little) return __builtin_bswap64(v);
        return v;
    }
    template <unsigned n>
    static Reg Shl(Reg v)
    {
        return v << n;
    }
    template <unsigned n>
    static Reg Shr(Reg v)
    {
        return v >> n;
    }
    static Reg Broadcast(std::uint64_t v) { return v; }
    static Reg Xor(Reg a, Reg b) { return a ^ b; }
    static Reg And(Reg a, Reg b) { return a & b; }
    static Reg AndNot(Reg a, Reg b) { return ~a & b; }
    static Reg Not(Reg a) { return ~a; }
    static Reg Mux(Reg s, Reg a, Reg b) { return a ^ ((a ^ b) & s); }
};

} // namespace

std::size_t DesSlicePortable(const DesSliceKeys& keys, std::uint8_t* data, std::size_t blocks) noexcept
{
    return DesSlice<Word64>::Blocks(keys, data, blocks);
}
