#pragma once

#include <cstdint>

namespace vorlane {

// The left and right samples of one captured block, as the level meter reads them.
struct ChannelBlock {
    // A whole block fits in each channel even when a mono block is copied to both.
    static constexpr uint32_t kMaxBytes = 22048;

    // Valid bytes in each channel; 0 when there is no block (before the first one and
    // after the device was released).
    uint32_t bytesPerChannel = 0;
    // The block's running number on the capture side (CSoundCapture::NextBlockNumber).
    uint64_t number = 0;
    int16_t left[kMaxBytes / 2] = {};
    int16_t right[kMaxBytes / 2] = {};

    uint32_t sampleCount() const { return bytesPerChannel / 2; }
};

} // namespace vorlane
