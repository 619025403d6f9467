#pragma once

#include "audio/WavFileWriter.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace vorlane::test {

// One stretch of a generated test signal: a sine tone, or digital silence at 0 Hz.
struct ToneSegment {
    double seconds;
    double frequency;
};

// Writes a WAV in the capture format (44,100 Hz, 16-bit stereo) made of the given segments.
inline void writeToneWav(const std::filesystem::path& file,
                         const std::vector<ToneSegment>& segments) {
    const uint32_t rate = 44100;
    std::vector<int16_t> samples;
    for (const ToneSegment& s : segments) {
        const auto frames = uint32_t(s.seconds * rate);
        for (uint32_t i = 0; i < frames; ++i) {
            int16_t v = s.frequency > 0
                            ? int16_t(12000 * std::sin(2 * M_PI * s.frequency * i / rate))
                            : int16_t(0);
            samples.push_back(v);
            samples.push_back(v);
        }
    }
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    uint8_t header[WavFileWriter::kHeaderBytes];
    WavFileWriter::BuildHeader(WaveFormat::Capture(), dataBytes, header);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    out.write(reinterpret_cast<const char*>(samples.data()), dataBytes);
}

} // namespace vorlane::test
