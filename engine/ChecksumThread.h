// SPDX-License-Identifier: GPL-3.0-or-later
// The checksum of a file's plain bytes computed on a second thread while the first one reads,
// enciphers and writes. Its chain of table lookups cannot be split, and once the cipher runs
// many blocks at once it costs about as much as the cipher; on another core it costs no time.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

class ChecksumThread
{
public:
    // Starts the thread when `wanted`, the machine has a second core and the thread and its
    // buffers can be had; otherwise Running() is false and the caller sums by itself.
    explicit ChecksumThread(bool wanted) noexcept;
    // Stops the thread without waiting for the rest of the bytes; the buffers are wiped.
    ~ChecksumThread();
    ChecksumThread(const ChecksumThread&) = delete;
    ChecksumThread& operator=(const ChecksumThread&) = delete;

    bool Running() const noexcept { return worker_.joinable(); }
    // Copies `count` bytes to be summed after those added before; waits while all buffers are full.
    void Add(const std::uint8_t* data, std::size_t count);
    // The checksum (from 0) of every byte added; waits for the thread, which then ends.
    std::uint32_t Finish();

private:
    static constexpr std::size_t kSlots = 4;
    static constexpr std::size_t kSlotBytes = 64 * 1024;

    void Work();
    void Publish(std::unique_lock<std::mutex>& lock);

    std::unique_ptr<std::uint8_t[]> buffers_; // kSlots slots of kSlotBytes
    std::size_t lengths_[kSlots] = {};
    std::mutex mutex_;
    std::condition_variable changed_;
    // Guarded by mutex_: slots full and not yet summed, from `first_` on; the end of the input;
    // a stop without finishing.
    std::size_t full_ = 0;
    std::size_t first_ = 0;
    bool ended_ = false;
    bool stopped_ = false;
    // The producer's slot being filled: (first_ + full_) % kSlots while it has room.
    std::size_t filling_ = 0;
    std::size_t filled_ = 0;
    std::uint32_t value_ = 0; // the thread's until it has ended
    std::thread worker_;
};
