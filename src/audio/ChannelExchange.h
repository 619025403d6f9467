#pragma once

#include "audio/ChannelBlock.h"

#include <atomic>
#include <memory>

namespace vorlane {

// Hands the channel samples of each block from the capture thread to the level meter
// without a lock and without tearing: three buffers, one filled by the producer, one
// held by the consumer, one in between, swapped with an atomic exchange.
//
// Thread contract: back() and publish() belong to one producer thread at a time,
// latest() to one consumer thread at a time.
class ChannelExchange {
public:
    ChannelExchange();

    // The buffer to fill next.
    ChannelBlock& back() { return slots_[back_]; }
    // Makes the filled buffer the newest one.
    void publish();
    // The newest published block; stays unchanged until the consumer calls again.
    const ChannelBlock& latest();

private:
    static constexpr int kFresh = 4;
    std::unique_ptr<ChannelBlock[]> slots_;
    int back_ = 0;
    int front_ = 1;
    std::atomic<int> middle_{2};
};

} // namespace vorlane
