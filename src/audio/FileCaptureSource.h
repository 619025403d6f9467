#pragma once

#include "audio/CaptureSource.h"
#include "audio/WakeEvent.h"
#include "audio/WavFileReader.h"

#include <atomic>
#include <chrono>
#include <vector>

namespace vorlane {

// A WAV file played as the device's input, looping, at `speed` times real time, for
// demos, benchmarks and end-to-end tests. The file must hold 16-bit PCM at the capture
// rate; a mono file is delivered on both channels.
//
// Like a sound card it runs on its own clock from start(): block k is due at start +
// (k + 1) periods whether or not anyone reads, the ring holds `periods` blocks, and a
// reader that falls further behind loses the whole ring and carries on with the next
// block, counted as an overrun (as ALSA's recovery does). Faster than real time it is a
// test feed that loses nothing: a slow reader makes it wait.
//
// Thread contract: as CaptureSource.
class FileCaptureSource : public CaptureSource {
public:
    FileCaptureSource(std::string path, double speed);

    // The file is the only device: the default one.
    std::vector<CaptureDevice> listDevices() override { return {}; }
    int open(const std::string& id, const WaveFormat& format, uint32_t periodFrames,
             uint32_t periods) override;
    int start() override;
    void stop() override { started_ = false; }
    void close() override;
    bool isOpen() const override { return open_; }
    int readBlock(uint8_t*& block, uint32_t bytes, int timeoutMs) override;
    void wake() override { wake_.signal(); }
    WaveFormat actualFormat() const override { return format_; }
    uint32_t overruns() const override { return overruns_.load(std::memory_order_relaxed); }
    std::string errorText() const override { return error_; }

    const std::string& path() const { return path_; }

    // Pulls the simulated device's sound input out (reads fail as from a removed card, and
    // it cannot be opened) or puts it back. Process-wide, any thread.
    static void SetPlugged(bool plugged);
    static bool Plugged();
    double speed() const { return speed_; }

private:
    int fill(uint8_t* dst, uint32_t bytes);

    std::string path_;
    double speed_;
    WavFileReader reader_;
    WaveFormat format_;
    bool open_ = false;
    bool started_ = false;
    bool mono_ = false;
    uint64_t position_ = 0; // next byte of the file's sample data
    std::chrono::steady_clock::duration period_{};
    std::chrono::steady_clock::time_point start_{};
    uint64_t taken_ = 0; // blocks read since start
    uint32_t ringBlocks_ = 16;
    std::atomic<uint32_t> overruns_{0};
    std::vector<uint8_t> block_;
    std::vector<uint8_t> monoBuffer_;
    std::string error_;
    WakeEvent wake_;
};

} // namespace vorlane
