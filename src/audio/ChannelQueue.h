#pragma once

#include "audio/ChannelBlock.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace vorlane {

// Hands the channel samples of every block from the capture thread to the level meter, in
// order and without a lock: a ring of kCapacity blocks (2 s) with one producer and one
// consumer. The producer always fills the slot after the newest queued one, which the
// consumer never reads, so nothing is torn. When the consumer is more than kCapacity
// blocks behind (the GUI stalled for 2 s) the newest block is dropped and counted; the
// queued ones stay, and the gap shows in the blocks' numbers.
//
// Thread contract: back() and publish() belong to one producer thread at a time, front()
// and pop() to one consumer thread at a time.
class ChannelQueue {
public:
    static constexpr uint32_t kCapacity = 16;

    ChannelQueue();

    // The slot to fill next; valid until publish().
    ChannelBlock& back() { return slots_[tail_.load(std::memory_order_relaxed)]; }
    // Queues the filled slot; false (and counted) when the queue is full.
    bool publish();
    // The oldest queued block, or nullptr; stays unchanged until pop().
    const ChannelBlock* front() const;
    void pop();
    // Blocks dropped because the queue was full. Any thread.
    uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

private:
    static constexpr uint32_t kSlots = kCapacity + 1;
    static uint32_t next(uint32_t i) { return i + 1 == kSlots ? 0 : i + 1; }

    std::unique_ptr<ChannelBlock[]> slots_;
    std::atomic<uint32_t> head_{0}; // consumer's
    std::atomic<uint32_t> tail_{0}; // producer's
    std::atomic<uint64_t> dropped_{0};
};

} // namespace vorlane
