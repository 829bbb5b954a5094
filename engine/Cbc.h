// SPDX-License-Identifier: GPL-3.0-or-later
// The block loops every file format here is enciphered with: ECB or CBC over whole blocks, with the
// checksum of the plain side computed in the same pass.
#pragma once

#include "Blocks.h"
#include "ByteOrder.h"
#include "Checksum.h"
#include "ChecksumTable.h"
#include "Des.h"
#include "Idea.h"
#include "WideCiphers.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Block transformations for the chunk loops; one type per method, so that the loops carry no
// branch on the method code.
struct TableDesCipher
{
    const DesSchedule* schedule;
    void operator()(std::uint8_t* block) const noexcept { DesBlock(*schedule, block); }
    std::uint64_t operator()(std::uint64_t block) const noexcept { return DesBlockWord(*schedule, block); }
};
struct TripleDesCipher
{
    const DesSchedule* first;
    const DesSchedule* second;
    const DesSchedule* third;
    void operator()(std::uint8_t* block) const noexcept { DesBlock3(*first, *second, *third, block); }
    std::uint64_t operator()(std::uint64_t block) const noexcept
    {
        return DesBlock3Word(*first, *second, *third, block);
    }
};
struct IdeaCipher
{
    const IdeaKeySchedule* schedule;
    void operator()(std::uint8_t* block) const noexcept { IdeaBlock(block, block, *schedule); }
    std::uint64_t operator()(std::uint64_t block) const noexcept { return IdeaBlockWord(block, *schedule); }
};

// CBC with the chaining value in a register, and the block passed to the cipher as a word: no
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
        const std::uint64_t plain = GetLe64(block);
        if (i < summed) checksum = ChecksumWord8(checksum, plain);
        const std::uint64_t sealed = cipher(chained ? plain ^ previous : plain);
        PutLe64(block, sealed);
        if constexpr (chained) previous = sealed;
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

// Many-block transformations for the loops without a chain between the cipher calls.
struct WideIdea
{
    const IdeaKeySchedule* schedule;
    void operator()(std::uint8_t* data, std::size_t blocks) const noexcept { IdeaBlocksWide(*schedule, data, blocks); }
};
struct WideDes
{
    const DesSliceKeys* keys;
    void operator()(std::uint8_t* data, std::size_t blocks) const noexcept { DesBlocksWide(*keys, data, blocks); }
};

// ECB enciphering, many blocks at once; the checksum goes over the plain blocks first.
template <class Wide>
void EncipherBlocksWide(const Wide& wide, std::uint8_t* data, std::size_t blocks, std::uint32_t& checksum,
                        std::size_t summed)
{
    checksum = UpdateChecksum(checksum, data, 8 * std::min(summed, blocks));
    wide(data, blocks);
}

// The same result as DecipherBlocks, but every block of a piece is deciphered at once and the
// previous ciphertext blocks, kept aside, are XORed in afterwards.
template <bool chained, class Wide>
void DecipherBlocksWide(const Wide& wide, std::uint8_t* chain, std::uint8_t* data, std::size_t blocks,
                        std::uint32_t& checksum, std::size_t summed)
{
    constexpr std::size_t kPiece = 512; // the widest batch: 512 bitsliced DES blocks
    std::uint8_t saved[8 * kPiece];
    for (std::size_t start = 0; start < blocks; start += kPiece) {
        const std::size_t n = std::min(kPiece, blocks - start);
        std::uint8_t* piece = data + 8 * start;
        if constexpr (chained) std::memcpy(saved, piece, 8 * n);
        wide(piece, n);
        if constexpr (chained) {
            XorBlock(piece, chain);
            for (std::size_t i = 1; i < n; ++i)
                XorBlock(piece + 8 * i, saved + 8 * (i - 1));
            CopyBlock(chain, saved + 8 * (n - 1));
        }
        if (start < summed) checksum = UpdateChecksum(checksum, piece, 8 * std::min(n, summed - start));
    }
}
