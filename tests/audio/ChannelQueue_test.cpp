#include "audio/ChannelQueue.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vorlane;

namespace {
// Every sample of block n carries n, so a torn block shows.
void fill(ChannelBlock& b, uint64_t n) {
    b.number = n;
    b.bytesPerChannel = ChannelBlock::kMaxBytes;
    for (uint32_t i = 0; i < b.sampleCount(); ++i)
        b.left[i] = b.right[i] = static_cast<int16_t>(n * 7 + i);
}
bool whole(const ChannelBlock& b) {
    for (uint32_t i = 0; i < b.sampleCount(); ++i)
        if (b.left[i] != static_cast<int16_t>(b.number * 7 + i) || b.right[i] != b.left[i])
            return false;
    return b.bytesPerChannel == ChannelBlock::kMaxBytes;
}
} // namespace

TEST(ChannelQueue, AFullQueueDropsTheNewestAndKeepsTheQueuedWhole) {
    ChannelQueue q;
    EXPECT_EQ(q.front(), nullptr);
    uint64_t n = 0;
    for (; n < ChannelQueue::kCapacity; ++n) {
        fill(q.back(), n);
        EXPECT_TRUE(q.publish());
    }
    fill(q.back(), n);
    EXPECT_FALSE(q.publish());
    EXPECT_EQ(q.dropped(), 1u);
    for (uint64_t i = 0; i < ChannelQueue::kCapacity; ++i) {
        ASSERT_NE(q.front(), nullptr);
        EXPECT_EQ(q.front()->number, i);
        EXPECT_TRUE(whole(*q.front()));
        q.pop();
    }
    EXPECT_EQ(q.front(), nullptr);
    q.pop(); // popping an empty queue changes nothing
    fill(q.back(), 99);
    EXPECT_TRUE(q.publish());
    EXPECT_EQ(q.front()->number, 99u);
}

TEST(ChannelQueue, AConsumerOnAnotherThreadSeesEveryBlockInOrderUntorn) {
    ChannelQueue q;
    constexpr uint64_t kBlocks = 3000;
    std::thread producer([&] {
        for (uint64_t n = 0; n < kBlocks; ++n) {
            fill(q.back(), n);
            q.publish();
            if (n % 64 == 0)
                std::this_thread::yield();
        }
    });
    uint64_t seen = 0, last = 0, torn = 0, disorder = 0;
    while (seen + q.dropped() < kBlocks || q.front()) {
        const ChannelBlock* b = q.front();
        if (!b)
            continue;
        torn += !whole(*b);
        disorder += seen > 0 && b->number <= last;
        last = b->number;
        ++seen;
        q.pop();
    }
    producer.join();
    EXPECT_EQ(torn, 0u);
    EXPECT_EQ(disorder, 0u);
    EXPECT_EQ(seen + q.dropped(), kBlocks);
}
