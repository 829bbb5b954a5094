// SPDX-License-Identifier: GPL-3.0-or-later
// Many blocks at once: ECB in place over any number of blocks with IDEA, DES or Triple DES, at
// the instruction-set level SimdActiveLevel() names. CBC decryption and both directions of ECB
// have no chain between blocks, so they are built on these; the results equal the one-block
// routines exactly (IdeaBlock, DesBlock, DesBlock3), which also finish the last few blocks.
#pragma once

#include "Des.h"
#include "Idea.h"

#include <cstddef>
#include <cstdint>

// The round keys of one or three DES stages as bitsliced rounds use them: every key bit a word of
// all ones or all zeros. Holds key material; its owner wipes it.
struct DesSliceKeys
{
    std::uint64_t masks[48][48];
    int rounds; // 16 or 48
    const DesSchedule* stages[3];
};

// From the schedules the one-block routines take (DesBlock or DesBlock3 order); the schedules
// must outlive `keys`.
void DesSliceKeysMake(DesSliceKeys& keys, const DesSchedule& a) noexcept;
void DesSliceKeysMake(DesSliceKeys& keys, const DesSchedule& a, const DesSchedule& b, const DesSchedule& c) noexcept;

// data -> data in place, `blocks` blocks, as IdeaBlock with `schedule` / DesBlock(3) would.
void IdeaBlocksWide(const IdeaKeySchedule& schedule, std::uint8_t* data, std::size_t blocks) noexcept;
void DesBlocksWide(const DesSliceKeys& keys, std::uint8_t* data, std::size_t blocks) noexcept;

// The level kernels behind them: each does the whole batches it can and returns how many blocks.
std::size_t IdeaBlocksSse2(const IdeaKeySchedule& schedule, std::uint8_t* data, std::size_t blocks) noexcept;
std::size_t IdeaBlocksAvx2(const IdeaKeySchedule& schedule, std::uint8_t* data, std::size_t blocks) noexcept;
std::size_t IdeaBlocksAvx512(const IdeaKeySchedule& schedule, std::uint8_t* data, std::size_t blocks) noexcept;
std::size_t DesSlicePortable(const DesSliceKeys& keys, std::uint8_t* data, std::size_t blocks) noexcept;
std::size_t DesSliceAvx2(const DesSliceKeys& keys, std::uint8_t* data, std::size_t blocks) noexcept;
std::size_t DesSliceAvx512(const DesSliceKeys& keys, std::uint8_t* data, std::size_t blocks) noexcept;
