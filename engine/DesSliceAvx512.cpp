// SPDX-License-Identifier: GPL-3.0-or-later
// Bitsliced DES on 512 blocks per batch with AVX-512; a multiplexer is one ternary-logic operation.
#include "DesSlice.h"

#include <immintrin.h>

namespace {

struct Avx512
{
    using Reg = __m512i;
    static constexpr std::size_t kWords = 8;
    static Reg Load(const std::uint64_t* p) { return _mm512_loadu_si512(p); }
    static void Store(std::uint64_t* p, Reg v) { _mm512_storeu_si512(p, v); }
    static Reg Broadcast(std::uint64_t v) { return _mm512_set1_epi64(static_cast<long long>(v)); }
    static Reg Xor(Reg a, Reg b) { return _mm512_xor_si512(a, b); }
    static Reg And(Reg a, Reg b) { return _mm512_and_si512(a, b); }
    static Reg AndNot(Reg a, Reg b) { return _mm512_andnot_si512(a, b); }
    static Reg Not(Reg a) { return _mm512_ternarylogic_epi64(a, a, a, 0x55); }
    // Truth table 0xca: s ? b : a, with s, b, a as the first, second and third operand.
    static Reg Mux(Reg s, Reg a, Reg b) { return _mm512_ternarylogic_epi64(s, b, a, 0xca); }
};

} // namespace

std::size_t DesSliceAvx512(const DesSliceKeys& keys, std::uint8_t* data, std::size_t blocks) noexcept
{
    return DesSlice<Avx512>::Blocks(keys, data, blocks);
}
