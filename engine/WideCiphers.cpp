// SPDX-License-Identifier: GPL-3.0-or-later
#include "WideCiphers.h"

#include "SimdLevel.h"

namespace {

void AddStage(DesSliceKeys& keys, const DesSchedule& schedule) noexcept
{
    for (int round = 0; round < 16; ++round) {
        std::uint64_t* masks = keys.masks[keys.rounds + round];
        for (int box = 0; box < 8; ++box) {
            // Box g's six key bits, first most significant: see DesMakeSchedule.
            const std::uint32_t word = schedule.words[2 * round + (box & 1)];
            const std::uint32_t group = (word >> (24 - 8 * (box >> 1))) & 0x3f;
            for (int j = 0; j < 6; ++j)
                masks[6 * box + j] = 0 - static_cast<std::uint64_t>((group >> (5 - j)) & 1);
        }
    }
    keys.stages[keys.rounds / 16] = &schedule;
    keys.rounds += 16;
}

} // namespace

void DesSliceKeysMake(DesSliceKeys& keys, const DesSchedule& a) noexcept
{
    keys.rounds = 0;
    AddStage(keys, a);
    keys.stages[1] = keys.stages[2] = nullptr;
}

void DesSliceKeysMake(DesSliceKeys& keys, const DesSchedule& a, const DesSchedule& b, const DesSchedule& c) noexcept
{
    keys.rounds = 0;
    AddStage(keys, a);
    AddStage(keys, b);
    AddStage(keys, c);
}

void IdeaBlocksWide(const IdeaKeySchedule& schedule, std::uint8_t* data, std::size_t blocks) noexcept
{
    std::size_t done = 0;
    switch (SimdActiveLevel()) {
#ifdef KELVANE_X86_SIMD
    case SimdLevel::Avx512:
        done += IdeaBlocksAvx512(schedule, data, blocks);
        [[fallthrough]];
    case SimdLevel::Avx2:
        done += IdeaBlocksAvx2(schedule, data + 8 * done, blocks - done);
        [[fallthrough]];
    case SimdLevel::Sse2:
        done += IdeaBlocksSse2(schedule, data + 8 * done, blocks - done);
        break;
#endif
    default:
        break;
    }
    for (; done < blocks; ++done)
        IdeaBlock(data + 8 * done, data + 8 * done, schedule);
}

void DesBlocksWide(const DesSliceKeys& keys, std::uint8_t* data, std::size_t blocks) noexcept
{
    std::size_t done = 0;
    switch (SimdActiveLevel()) {
#ifdef KELVANE_X86_SIMD
    case SimdLevel::Avx512:
        done += DesSliceAvx512(keys, data, blocks);
        [[fallthrough]];
    case SimdLevel::Avx2:
        done += DesSliceAvx2(keys, data + 8 * done, blocks - done);
        [[fallthrough]];
#endif
    default:
        done += DesSlicePortable(keys, data + 8 * done, blocks - done);
        break;
    }
    // Fewer blocks than a 64-block batch: one at a time is faster than a batch mostly empty.
    for (; done < blocks; ++done) {
        std::uint8_t* block = data + 8 * done;
        if (keys.rounds == 16)
            DesBlock(*keys.stages[0], block);
        else
            DesBlock3(*keys.stages[0], *keys.stages[1], *keys.stages[2], block);
    }
}
