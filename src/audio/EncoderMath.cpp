#include "audio/EncoderMath.h"

namespace vorlane {

int EncoderMath::BitRateKbps(int bitRateIndex) {
    switch (bitRateIndex) {
    case 0:
        return 32;
    case 1:
        return 64;
    case 3:
        return 192;
    case 4:
        return 320;
    default:
        return 128;
    }
}

int64_t EncoderMath::SampleTimeStep(uint32_t bytes, uint32_t avgBytesPerSec) {
    if (avgBytesPerSec == 0)
        return 0;
    const uint64_t units = static_cast<uint64_t>(bytes) * 10'000'000u;
    return static_cast<int64_t>((units + avgBytesPerSec / 2) / avgBytesPerSec);
}

size_t EncoderMath::Mp3OutputBytes(int samplesPerChannel) {
    if (samplesPerChannel < 0)
        samplesPerChannel = 0;
    return (static_cast<size_t>(samplesPerChannel) * 5 + 3) / 4 + 7200;
}

} // namespace vorlane
