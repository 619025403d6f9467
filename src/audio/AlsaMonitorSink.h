#pragma once

#include "audio/MonitorSink.h"

#include <atomic>
#include <vector>

typedef struct _snd_pcm snd_pcm_t;

namespace vorlane {

// Monitor output on an ALSA PCM (the default output unless told otherwise), played a few
// blocks behind capture. The volume is applied in software.
//
// Thread contract: as MonitorSink.
class AlsaMonitorSink : public MonitorSink {
public:
    explicit AlsaMonitorSink(std::string device = "default");
    ~AlsaMonitorSink() override;

    int open(const WaveFormat& format, uint32_t blockBytes, uint32_t ringBlocks) override;
    int start(uint32_t leadBlocks) override;
    void stop() override;
    void close() override;
    bool isOpen() const override { return pcm_ != nullptr; }
    void writeBlock(const uint8_t* data, uint32_t bytes) override;
    void setVolume(int hundredthsDb) override;
    int volume() const override { return volume_.load(std::memory_order_relaxed); }
    std::string errorText() const override { return error_; }

    uint32_t underruns() const { return underruns_.load(std::memory_order_relaxed); }
    uint32_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

    // Linear factor of a volume in hundredths of a decibel: 1 at 0 and above, 0 at
    // -10,000 and below.
    static double VolumeFactor(int hundredthsDb);

private:
    int fail(int err, const std::string& what);
    int writeSilence(uint32_t blocks);
    int restartAfterUnderrun();

    std::string device_;
    snd_pcm_t* pcm_ = nullptr;
    WaveFormat format_;
    uint32_t blockFrames_ = 0;
    uint32_t ringFrames_ = 0;
    uint32_t lead_ = 0;
    bool dead_ = false;
    std::vector<uint8_t> scratch_;
    std::vector<uint8_t> silence_;
    std::atomic<int> volume_{0};
    int appliedVolume_ = 0;
    double factor_ = 1.0;
    std::atomic<uint32_t> underruns_{0};
    std::atomic<uint32_t> dropped_{0};
    std::string error_;
};

} // namespace vorlane
