// SPDX-License-Identifier: GPL-3.0-or-later
// The block loops every file format here is enciphered with: ECB or CBC over whole blocks, with the
// checksum of the plain side computed in the same pass.
#pragma once

#include "ByteOrder.h"
#include "ChecksumTable.h"
#include "Des.h"
#include "Idea.h"

#include <cstddef>
#include <cstdint>

// Block transformations for the chunk loops; one type per method, so that the loops carry no
// branch on the method code.
struct BitDesCipher
{
    const std::uint8_t* key;
    int direction;
    void operator()(std::uint8_t* block) const noexcept { BitDesBlock(block, block, key, direction); }
};
struct TableDesCipher
{
    const DesSchedule* schedule;
    void operator()(std::uint8_t* block) const noexcept { DesBlock(*schedule, block); }
};
struct TripleDesCipher
{
    const DesSchedule* first;
    const DesSchedule* second;
    const DesSchedule* third;
    void operator()(std::uint8_t* block) const noexcept { DesBlock3(*first, *second, *third, block); }
};
struct IdeaCipher
{
    const IdeaKeySchedule* schedule;
    void operator()(std::uint8_t* block) const noexcept { IdeaBlock(block, block, *schedule); }
};

// CBC with the chaining value in a register: the cipher call cannot reach it, so nothing forces a
// round trip through memory between blocks. The first `summed` blocks are plain data that also go
// into the checksum; computing it in the same loop lets the CPU overlap its dependency chain with
// the cipher's.
template <bool chained, class Cipher>
void EncipherBlocks(const Cipher& cipher, std::uint8_t* chain, std::uint8_t* data, std::size_t blocks,
                    std::uint32_t& checksum, std::size_t summed)
{
    std::uint64_t previous = GetLe64(chain);
    for (std::size_t i = 0; i < blocks; ++i) {
        std::uint8_t* block = data + 8 * i;
        std::uint64_t plain = GetLe64(block);
        if (i < summed) checksum = ChecksumWord8(checksum, plain);
        if constexpr (chained) PutLe64(block, plain ^ previous);
        cipher(block);
        if constexpr (chained) previous = GetLe64(block);
    }
    PutLe64(chain, previous);
}

template <bool chained, class Cipher>
void DecipherBlocks(const Cipher& cipher, std::uint8_t* chain, std::uint8_t* data, std::size_t blocks,
                    std::uint32_t& checksum, std::size_t summed)
{
    std::uint64_t previous = GetLe64(chain);
    for (std::size_t i = 0; i < blocks; ++i) {
        std::uint8_t* block = data + 8 * i;
        const std::uint64_t saved = GetLe64(block);
        cipher(block);
        std::uint64_t plain = GetLe64(block);
        if constexpr (chained) {
            plain ^= previous;
            PutLe64(block, plain);
            previous = saved;
        }
        if (i < summed) checksum = ChecksumWord8(checksum, plain);
    }
    PutLe64(chain, previous);
}
