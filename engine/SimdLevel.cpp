// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimdLevel.h"

#include <atomic>

namespace {

SimdLevel Detect() noexcept
{
#if defined(KELVANE_X86_SIMD) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")) return SimdLevel::Avx512;
    if (__builtin_cpu_supports("avx2")) return SimdLevel::Avx2;
    if (__builtin_cpu_supports("sse2")) return SimdLevel::Sse2;
#endif
    return SimdLevel::Portable;
}

// -1 until the first use; relaxed is enough, every value stored is one the CPU can run.
std::atomic<int> active{-1};

} // namespace

SimdLevel SimdBestLevel() noexcept
{
    static const SimdLevel best = Detect();
    return best;
}

SimdLevel SimdActiveLevel() noexcept
{
    const int level = active.load(std::memory_order_relaxed);
    return level < 0 ? SimdBestLevel() : static_cast<SimdLevel>(level);
}

SimdLevel SimdForceLevel(SimdLevel level) noexcept
{
    const SimdLevel best = SimdBestLevel();
    const SimdLevel chosen = static_cast<int>(level) <= static_cast<int>(best) ? level : best;
    active.store(static_cast<int>(chosen), std::memory_order_relaxed);
    return chosen;
}
