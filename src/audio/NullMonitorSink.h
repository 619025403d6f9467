#pragma once

#include "audio/MonitorSink.h"

#include <atomic>

namespace vorlane {

// A monitor output that plays nothing, for machines without an output device, demos and
// tests. It counts what it was given.
class NullMonitorSink : public MonitorSink {
public:
    int open(const WaveFormat& format, uint32_t blockBytes, uint32_t ringBlocks) override;
    int start(uint32_t leadBlocks) override;
    void stop() override {}
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void writeBlock(const uint8_t* data, uint32_t bytes) override;
    void setVolume(int hundredthsDb) override {
        volume_.store(hundredthsDb, std::memory_order_relaxed);
    }
    int volume() const override { return volume_.load(std::memory_order_relaxed); }
    std::string errorText() const override { return {}; }

    uint32_t blocksWritten() const { return blocks_.load(std::memory_order_relaxed); }

private:
    bool open_ = false;
    std::atomic<int> volume_{0};
    std::atomic<uint32_t> blocks_{0};
};

} // namespace vorlane
