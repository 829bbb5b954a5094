// SPDX-License-Identifier: GPL-3.0-or-later
// Bitsliced DES on 64 blocks per batch in plain 64-bit words: the level every machine runs.
#include "DesSlice.h"

namespace {

struct Word64
{
    using Reg = std::uint64_t;
    static constexpr std::size_t kWords = 1;
    static Reg Load(const std::uint64_t* p) { return *p; }
    static void Store(std::uint64_t* p, Reg v) { *p = v; }
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
