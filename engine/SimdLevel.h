// SPDX-License-Identifier: GPL-3.0-or-later
// The instruction-set level the many-block cipher paths run at. The widest one the CPU has is
// chosen on first use; tests force lower ones to compare every level with the portable code.
#pragma once

enum class SimdLevel : int
{
    Portable = 0, // plain C++, 64-bit words
    Sse2 = 1,
    Avx2 = 2,
    Avx512 = 3, // AVX-512F and BW
};

// The widest level this build and this CPU can run.
SimdLevel SimdBestLevel() noexcept;
// The level in use: the best one unless forced lower.
SimdLevel SimdActiveLevel() noexcept;
// Selects `level`, or the best one when the CPU cannot run it; returns the level now in use.
SimdLevel SimdForceLevel(SimdLevel level) noexcept;
