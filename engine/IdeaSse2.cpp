// SPDX-License-Identifier: GPL-3.0-or-later
// IDEA on 8 blocks per batch with SSE2.
#include "IdeaSimd.h"
#include "WideCiphers.h"

#include <immintrin.h>

namespace {

struct Sse2
{
    using Reg = __m128i;
    static constexpr std::size_t kBytes = 16;
    static Reg Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void Store(std::uint8_t* p, Reg v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static Reg Set1(std::uint16_t v) { return _mm_set1_epi16(static_cast<short>(v)); }
    static Reg Add(Reg a, Reg b) { return _mm_add_epi16(a, b); }
    static Reg Sub(Reg a, Reg b) { return _mm_sub_epi16(a, b); }
    static Reg Xor(Reg a, Reg b) { return _mm_xor_si128(a, b); }
    static Reg Or(Reg a, Reg b) { return _mm_or_si128(a, b); }
    static Reg And(Reg a, Reg b) { return _mm_and_si128(a, b); }
    static Reg AndNot(Reg a, Reg b) { return _mm_andnot_si128(a, b); }
    static Reg MulLo(Reg a, Reg b) { return _mm_mullo_epi16(a, b); }
    static Reg MulHi(Reg a, Reg b) { return _mm_mulhi_epu16(a, b); }
    static Reg SubSat(Reg a, Reg b) { return _mm_subs_epu16(a, b); }
    static Reg IsZero(Reg a) { return _mm_cmpeq_epi16(a, _mm_setzero_si128()); }
    static Reg Lo16(Reg a, Reg b) { return _mm_unpacklo_epi16(a, b); }
    static Reg Hi16(Reg a, Reg b) { return _mm_unpackhi_epi16(a, b); }
    static Reg Lo32(Reg a, Reg b) { return _mm_unpacklo_epi32(a, b); }
    static Reg Hi32(Reg a, Reg b) { return _mm_unpackhi_epi32(a, b); }
    static Reg Lo64(Reg a, Reg b) { return _mm_unpacklo_epi64(a, b); }
    static Reg Hi64(Reg a, Reg b) { return _mm_unpackhi_epi64(a, b); }
};

} // namespace

std::size_t IdeaBlocksSse2(const IdeaKeySchedule& schedule, std::uint8_t* data, std::size_t blocks) noexcept
{
    IdeaLanes<Sse2>::Blocks(schedule, data, blocks / 8);
    return blocks / 8 * 8;
}
