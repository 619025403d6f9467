#pragma once

#include <cstdint>

namespace vorlane {

// The 18-byte wave format record (PCM format tag, channels, rate, byte rate, block align,
// bits, extra size) as the capture format and the WAV "fmt " chunk carry it.
struct WaveFormat {
    uint16_t formatTag = 1;
    uint16_t channels = 2;
    uint32_t samplesPerSec = 44100;
    uint32_t avgBytesPerSec = 176400;
    uint16_t blockAlign = 4;
    uint16_t bitsPerSample = 16;
    uint16_t cbSize = 0;

    static constexpr int kRecordSize = 18;

    // The fixed capture format: PCM, 2 channels, 44,100 Hz, 16 bits.
    static constexpr WaveFormat Capture() { return WaveFormat{}; }

    // PCM with the given layout; byte rate and block align derived from it.
    static constexpr WaveFormat Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
        WaveFormat f;
        f.channels = channels;
        f.samplesPerSec = rate;
        f.bitsPerSample = bits;
        f.blockAlign = static_cast<uint16_t>(bits / 8 * channels);
        f.avgBytesPerSec = rate * f.blockAlign;
        return f;
    }

    // Little-endian 18-byte record.
    void serialize(uint8_t out[kRecordSize]) const {
        auto put16 = [&](int at, uint16_t v) {
            out[at] = static_cast<uint8_t>(v);
            out[at + 1] = static_cast<uint8_t>(v >> 8);
        };
        auto put32 = [&](int at, uint32_t v) {
            put16(at, static_cast<uint16_t>(v));
            put16(at + 2, static_cast<uint16_t>(v >> 16));
        };
        put16(0, formatTag);
        put16(2, channels);
        put32(4, samplesPerSec);
        put32(8, avgBytesPerSec);
        put16(12, blockAlign);
        put16(14, bitsPerSample);
        put16(16, cbSize);
    }

    bool operator==(const WaveFormat&) const = default;
};

} // namespace vorlane
