// SPDX-License-Identifier: GPL-3.0-or-later
// IDEA on 32 blocks per batch with AVX-512BW.
#include "IdeaSimd.h"
#include "WideCiphers.h"

#include <immintrin.h>

namespace {

struct Avx512
{
    using Reg = __m512i;
    static constexpr std::size_t kBytes = 64;
    static Reg Load(const std::uint8_t* p) { return _mm512_loadu_si512(p); }
    static void Store(std::uint8_t* p, Reg v) { _mm512_storeu_si512(p, v); }
    static Reg Set1(std::uint16_t v) { return _mm512_set1_epi16(static_cast<short>(v)); }
    static Reg Add(Reg a, Reg b) { return _mm512_add_epi16(a, b); }
    static Reg Sub(Reg a, Reg b) { return _mm512_sub_epi16(a, b); }
    static Reg Xor(Reg a, Reg b) { return _mm512_xor_si512(a, b); }
    static Reg Or(Reg a, Reg b) { return _mm512_or_si512(a, b); }
    static Reg And(Reg a, Reg b) { return _mm512_and_si512(a, b); }
    static Reg AndNot(Reg a, Reg b) { return _mm512_andnot_si512(a, b); }
    static Reg MulLo(Reg a, Reg b) { return _mm512_mullo_epi16(a, b); }
    static Reg MulHi(Reg a, Reg b) { return _mm512_mulhi_epu16(a, b); }
    static Reg SubSat(Reg a, Reg b) { return _mm512_subs_epu16(a, b); }
    static Reg IsZero(Reg a) { return _mm512_movm_epi16(_mm512_cmpeq_epi16_mask(a, _mm512_setzero_si512())); }
    static Reg Lo16(Reg a, Reg b) { return _mm512_unpacklo_epi16(a, b); }
    static Reg Hi16(Reg a, Reg b) { return _mm512_unpackhi_epi16(a, b); }
    static Reg Lo32(Reg a, Reg b) { return _mm512_unpacklo_epi32(a, b); }
    static Reg Hi32(Reg a, Reg b) { return _mm512_unpackhi_epi32(a, b); }
    static Reg Lo64(Reg a, Reg b) { return _mm512_unpacklo_epi64(a, b); }
    static Reg Hi64(Reg a, Reg b) { return _mm512_unpackhi_epi64(a, b); }
};

} // namespace

std::size_t IdeaBlocksAvx512(const IdeaKeySchedule& schedule, std::uint8_t* data, std::size_t blocks) noexcept
{
    IdeaLanes<Avx512>::Blocks(schedule, data, blocks / 32);
    return blocks / 32 * 32;
}
