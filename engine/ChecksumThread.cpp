// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChecksumThread.h"

#include "Checksum.h"
#include "SecureZero.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

ChecksumThread::ChecksumThread(bool wanted) noexcept
{
    if (!wanted || std::thread::hardware_concurrency() < 2) return;
    buffers_.reset(new (std::nothrow) std::uint8_t[kSlots * kSlotBytes]);
    if (!buffers_) return;
    try {
        worker_ = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        buffers_.reset();
    }
}

ChecksumThread::~ChecksumThread()
{
    if (worker_.joinable()) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }
    if (buffers_) SecureZero(buffers_.get(), kSlots * kSlotBytes);
    SecureZero(&value_, sizeof value_);
}

void ChecksumThread::Add(const std::uint8_t* data, std::size_t count)
{
    while (count > 0) {
        const std::size_t n = std::min(count, kSlotBytes - filled_);
        std::memcpy(buffers_.get() + filling_ * kSlotBytes + filled_, data, n);
        filled_ += n;
        data += n;
        count -= n;
        if (filled_ == kSlotBytes) {
            std::unique_lock<std::mutex> lock(mutex_);
            Publish(lock);
        }
    }
}

// Hands the slot being filled to the thread and waits for a free one to fill next.
void ChecksumThread::Publish(std::unique_lock<std::mutex>& lock)
{
    lengths_[filling_] = filled_;
    ++full_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return full_ < kSlots; });
    filling_ = (first_ + full_) % kSlots;
    filled_ = 0;
}

std::uint32_t ChecksumThread::Finish()
{
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (filled_ > 0) Publish(lock);
        ended_ = true;
    }
    changed_.notify_all();
    worker_.join();
    return value_;
}

void ChecksumThread::Work()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return full_ > 0 || ended_ || stopped_; });
        if (stopped_ || full_ == 0) return;
        const std::size_t slot = first_;
        lock.unlock();
        // The producer does not touch a full slot, so it is summed without the lock.
        value_ = UpdateChecksum(value_, buffers_.get() + slot * kSlotBytes, lengths_[slot]);
        lock.lock();
        first_ = (first_ + 1) % kSlots;
        --full_;
        changed_.notify_all();
    }
}
