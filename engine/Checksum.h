// SPDX-License-Identifier: GPL-3.0-or-later
// The program's 32-bit checksum. It is NOT the standard CRC-32: its table lookup reads four bytes
// starting at a byte offset into the CRC table, and there is no inversion. Containers and password
// databases store its values, so it must never change.
#pragma once

#include <cstddef>
#include <cstdint>

// Continues the checksum `value` over `count` bytes at `data`. A null pointer or a count of zero
// returns `value` unchanged. Callers start from 0 and chain the result across pieces of data.
std::uint32_t UpdateChecksum(std::uint32_t value, const void* data, std::size_t count) noexcept;
