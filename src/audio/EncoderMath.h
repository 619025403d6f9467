#pragma once

#include <cstddef>
#include <cstdint>

namespace vorlane {

// The arithmetic shared by the MP3 and WMA writers, kept apart so that it can be checked
// case by case. Pure and allocation-free.
class EncoderMath {
public:
    // Bit-rate index of the settings ("RecordFileMP3BitRate") to kbit/s: 0 32, 1 64,
    // 3 192, 4 320, anything else 128. MP3 and WMA use the same table.
    static int BitRateKbps(int bitRateIndex);

    // How far a block of `bytes` moves the WMA sample time, in 100-ns units, rounded to
    // the nearest unit: 1,249,887 for a 22,048-byte block at 176,400 bytes per second.
    // 0 when the byte rate is 0.
    static int64_t SampleTimeStep(uint32_t bytes, uint32_t avgBytesPerSec);

    // The encoder output room that LAME asks for when encoding `samplesPerChannel`
    // samples at a time (1.25 x samples + 7,200 bytes, rounded up).
    static size_t Mp3OutputBytes(int samplesPerChannel);
};

} // namespace vorlane
