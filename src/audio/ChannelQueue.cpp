#include "audio/ChannelQueue.h"

namespace vorlane {

ChannelQueue::ChannelQueue() : slots_(new ChannelBlock[kSlots]) {}

// Capture thread.
bool ChannelQueue::publish() {
    const uint32_t tail = tail_.load(std::memory_order_relaxed);
    const uint32_t after = next(tail);
    if (after == head_.load(std::memory_order_acquire)) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    tail_.store(after, std::memory_order_release);
    return true;
}

// Level meter thread.
const ChannelBlock* ChannelQueue::front() const {
    const uint32_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire))
        return nullptr;
    return &slots_[head];
}

void ChannelQueue::pop() {
    const uint32_t head = head_.load(std::memory_order_relaxed);
    if (head != tail_.load(std::memory_order_acquire))
        head_.store(next(head), std::memory_order_release);
}

} // namespace vorlane
