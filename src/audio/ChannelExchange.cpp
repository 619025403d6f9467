#include "audio/ChannelExchange.h"

namespace vorlane {

ChannelExchange::ChannelExchange() : slots_(new ChannelBlock[3]) {}

// Capture thread.
void ChannelExchange::publish() {
    back_ = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel) & ~kFresh;
}

// Level meter thread.
const ChannelBlock& ChannelExchange::latest() {
    if (middle_.load(std::memory_order_relaxed) & kFresh)
        front_ = middle_.exchange(front_, std::memory_order_acq_rel) & ~kFresh;
    return slots_[front_];
}

} // namespace vorlane
