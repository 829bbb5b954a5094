// SPDX-License-Identifier: GPL-3.0-or-later
// Clearing secrets in a way the optimiser may not drop, and containers that clear themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Overwrites n bytes at p with zeros; the store is never elided as dead.
void SecureZero(void* p, std::size_t n) noexcept;

// Allocator whose memory is cleared before it goes back to the heap. A vector using it never
// leaves a copy of its secret behind, also not when it grows.
template <class T>
struct ZeroingAllocator
{
    using value_type = T;
    ZeroingAllocator() noexcept = default;
    template <class U>
    ZeroingAllocator(const ZeroingAllocator<U>&) noexcept
    {
    }
    T* allocate(std::size_t n) { return std::allocator<T>().allocate(n); }
    void deallocate(T* p, std::size_t n) noexcept
    {
        SecureZero(p, n * sizeof(T));
        std::allocator<T>().deallocate(p, n);
    }
    template <class U>
    bool operator==(const ZeroingAllocator<U>&) const noexcept
    {
        return true;
    }
};

// Bytes of a password, key or plain data.
using SecretBytes = std::vector<std::uint8_t, ZeroingAllocator<std::uint8_t>>;

// Clears an object of trivially copyable type (a key, a key schedule, a block) when the scope ends,
// on every path out of it.
template <class T>
class WipeOnExit
{
public:
    explicit WipeOnExit(T& object) noexcept : object_(object) {}
    ~WipeOnExit() { SecureZero(&object_, sizeof(T)); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    T& object_;
};
