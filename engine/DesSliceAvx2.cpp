// SPDX-License-Identifier: GPL-3.0-or-later
// Bitsliced DES on 256 blocks per batch with AVX2.
#include "DesSlice.h"

#include <immintrin.h>

namespace {

struct Avx2
{
    using Reg = __m256i;
    static constexpr bool kTernary = false;
    static constexpr std::size_t kWords = 4;
    static Reg Load(const std::uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void Store(std::uint8_t* p, Reg v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static Reg Bswap(Reg v)
    {
        const __m256i order = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, //
                                               7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
        return _mm256_shuffle_epi8(v, order);
    }
    template <unsigned n>
    static Reg Shl(Reg v)
    {
        return _mm256_slli_epi64(v, n);
    }
    template <unsigned n>
    static Reg Shr(Reg v)
    {
        return _mm256_srli_epi64(v, n);
    }
    static Reg Broadcast(std::uint64_t v) { return _mm256_set1_epi64x(static_cast<long long>(v)); }
    static Reg Xor(Reg a, Reg b) { return _mm256_xor_si256(a, b); }
    static Reg And(Reg a, Reg b) { return _mm256_and_si256(a, b); }
    static Reg AndNot(Reg a, Reg b) { return _mm256_andnot_si256(a, b); }
    static Reg Not(Reg a) { return _mm256_xor_si256(a, _mm256_set1_epi64x(-1)); }
    static Reg Mux(Reg s, Reg a, Reg b) { return Xor(a, And(Xor(a, b), s)); }
};

} // namespace

std::size_t DesSliceAvx2(const DesSliceKeys& keys, std::uint8_t* data, std::size_t blocks) noexcept
{
    return DesSlice<Avx2>::Blocks(keys, data, blocks);
}
