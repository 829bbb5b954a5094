// SPDX-License-Identifier: GPL-3.0-or-later
// IDEA on 16 blocks per batch with AVX2.
#include "IdeaSimd.h"
#include "WideCiphers.h"

#include <immintrin.h>

namespace {

struct Avx2
{
    using Reg = __m256i;
    static constexpr std::size_t kBytes = 32;
    static Reg Load(const std::uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void Store(std::uint8_t* p, Reg v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static Reg Set1(std::uint16_t v) { return _mm256_set1_epi16(static_cast<short>(v)); }
    static Reg Add(Reg a, Reg b) { return _mm256_add_epi16(a, b); }
    static Reg Sub(Reg a, Reg b) { return _mm256_sub_epi16(a, b); }
    static Reg Xor(Reg a, Reg b) { return _mm256_xor_si256(a, b); }
    static Reg Or(Reg a, Reg b) { return _mm256_or_si256(a, b); }
    static Reg And(Reg a, Reg b) { return _mm256_and_si256(a, b); }
    static Reg AndNot(Reg a, Reg b) { return _mm256_andnot_si256(a, b); }
    static Reg MulLo(Reg a, Reg b) { return _mm256_mullo_epi16(a, b); }
    static Reg MulHi(Reg a, Reg b) { return _mm256_mulhi_epu16(a, b); }
    static Reg SubSat(Reg a, Reg b) { return _mm256_subs_epu16(a, b); }
    static Reg IsZero(Reg a) { return _mm256_cmpeq_epi16(a, _mm256_setzero_si256()); }
    static Reg Lo16(Reg a, Reg b) { return _mm256_unpacklo_epi16(a, b); }
    static Reg Hi16(Reg a, Reg b) { return _mm256_unpackhi_epi16(a, b); }
    static Reg Lo32(Reg a, Reg b) { return _mm256_unpacklo_epi32(a, b); }
    static Reg Hi32(Reg a, Reg b) { return _mm256_unpackhi_epi32(a, b); }
    static Reg Lo64(Reg a, Reg b) { return _mm256_unpacklo_epi64(a, b); }
    static Reg Hi64(Reg a, Reg b) { return _mm256_unpackhi_epi64(a, b); }
};

} // namespace

std::size_t IdeaBlocksAvx2(const IdeaKeySchedule& schedule, std::uint8_t* data, std::size_t blocks) noexcept
{
    IdeaLanes<Avx2>::Blocks(schedule, data, blocks / 16);
    return blocks / 16 * 16;
}
