#pragma once

#include "audio/CaptureSource.h"

#include <vector>

namespace vorlane {

// A capture source that delivers a synthetic stereo signal as fast as it is asked for:
// one second of two tones with a little noise, looping.
class SyntheticCaptureSource : public CaptureSource {
public:
    SyntheticCaptureSource();

    std::vector<CaptureDevice> listDevices() override { return {}; }
    int open(const std::string& id, const WaveFormat& format, uint32_t periodFrames,
             uint32_t periods) override;
    int start() override;
    void stop() override { started_ = false; }
    void close() override { open_ = started_ = false; }
    bool isOpen() const override { return open_; }
    int readBlock(uint8_t*& block, uint32_t bytes, int timeoutMs) override;
    void wake() override {}
    WaveFormat actualFormat() const override { return format_; }
    std::string errorText() const override { return {}; }

private:
    std::vector<uint8_t> signal_;
    std::vector<uint8_t> block_;
    size_t position_ = 0;
    WaveFormat format_;
    bool open_ = false;
    bool started_ = false;
};

} // namespace vorlane
