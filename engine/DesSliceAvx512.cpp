// SPDX-License-Identifier: GPL-3.0-or-later
// Bitsliced DES on 512 blocks per batch with AVX-512: any function of three words is one
// ternary-logic operation, so each S-box output starts from functions of its last three inputs.
#include "DesSlice.h"

#include <immintrin.h>

namespace {

struct Avx512
{
    using Reg = __m512i;
    static constexpr bool kTernary = true;
    static constexpr std::size_t kWords = 8;
    static Reg Load(const std::uint8_t* p) { return _mm512_loadu_si512(p); }
    static void Store(std::uint8_t* p, Reg v) { _mm512_storeu_si512(p, v); }
    static Reg Bswap(Reg v)
    {
        const __m128i order = _mm_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
        return _mm512_shuffle_epi8(v, _mm512_broadcast_i32x4(order));
    }
    template <unsigned n>
    static Reg Shl(Reg v)
    {
        return _mm512_slli_epi64(v, n);
    }
    template <unsigned n>
    static Reg Shr(Reg v)
    {
        return _mm512_srli_epi64(v, n);
    }
    static Reg Broadcast(std::uint64_t v) { return _mm512_set1_epi64(static_cast<long long>(v)); }
    static Reg Xor(Reg a, Reg b) { return _mm512_xor_si512(a, b); }
    static Reg And(Reg a, Reg b) { return _mm512_and_si512(a, b); }
    static Reg AndNot(Reg a, Reg b) { return _mm512_andnot_si512(a, b); }
    static Reg Not(Reg a) { return _mm512_ternarylogic_epi64(a, a, a, 0x55); }
    // Truth table 0xca: s ? b : a, with s, b, a as the first, second and third operand.
    static Reg Mux(Reg s, Reg a, Reg b) { return _mm512_ternarylogic_epi64(s, b, a, 0xca); }
    template <std::uint8_t table>
    static Reg Ternary(Reg a, Reg b, Reg c)
    {
        return _mm512_ternarylogic_epi64(a, b, c, table);
    }
};

} // namespace

std::size_t DesSliceAvx512(const DesSliceKeys& keys, std::uint8_t* data, std::size_t blocks) noexcept
{
    return DesSlice<Avx512>::Blocks(keys, data, blocks);
}
