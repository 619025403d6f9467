// Runs on the capture thread (Gain, ApplyGain, SplitChannels) and anywhere else.
#include "audio/CaptureMath.h"

#include "platform/DeviceTypes.h"

#include <algorithm>
#include <cstring>

namespace vorlane {

uint32_t CaptureMath::BlockSize(const WaveFormat& format) {
    uint32_t size = std::max<uint32_t>(format.avgBytesPerSec / 8, 4096);
    if (format.blockAlign)
        size -= size % format.blockAlign;
    return size;
}

std::string CaptureMath::ChooseDevice(const std::vector<CaptureDevice>& devices, int deviceType) {
    const char* name = DeviceTypes::CaptureName(uint32_t(deviceType));
    std::string chosen;
    int examined = 0;
    for (const CaptureDevice& d : devices) {
        if (d.id.empty())
            continue;
        if (examined++ >= kDeviceSearchLimit)
            break;
        if (d.description.find(name) != std::string::npos)
            chosen = d.id;
    }
    return chosen;
}

GainFactors CaptureMath::Gain(int recordVolume, int recordBalance, int deviceType) {
    GainFactors f;
    int volume = std::clamp(recordVolume, 0, 100);
    int balance = std::clamp(recordBalance, 0, 100);
    if (!DeviceTypes::VolumeOnCard(uint32_t(deviceType)))
        f.gain = static_cast<float>(volume) / 100.0f;
    if (balance > 50)
        f.left = static_cast<float>(100 - balance) / 50.0f;
    else if (balance < 50)
        f.right = static_cast<float>(balance) / 50.0f;
    return f;
}

void CaptureMath::ApplyGain(uint8_t* data, size_t sampleCount, const GainFactors& f) {
    const double left = static_cast<double>(f.left) * static_cast<double>(f.gain);
    const double right = static_cast<double>(f.right) * static_cast<double>(f.gain);
    for (size_t i = 0; i < sampleCount; ++i) {
        int16_t s;
        std::memcpy(&s, data + 2 * i, 2);
        // The conversion truncates toward zero; no factor exceeds 1, so nothing clips.
        s = static_cast<int16_t>((i & 1 ? right : left) * s);
        std::memcpy(data + 2 * i, &s, 2);
    }
}

uint32_t CaptureMath::SplitChannels(const uint8_t* block, uint32_t bytes, const WaveFormat& format,
                                    void* left, void* right) {
    if (format.channels == 1) {
        std::memcpy(left, block, bytes);
        std::memcpy(right, block, bytes);
        return bytes;
    }
    const uint32_t b = std::max<uint32_t>(format.bitsPerSample / 8, 1);
    auto* l = static_cast<uint8_t*>(left);
    auto* r = static_cast<uint8_t*>(right);
    uint32_t n = 0;
    if (b == 2) {
        for (uint32_t i = 0; i + 4 <= bytes; i += 4, n += 2) {
            std::memcpy(l + n, block + i, 2);
            std::memcpy(r + n, block + i + 2, 2);
        }
        return n;
    }
    for (uint32_t i = 0; i + 2 * b <= bytes; i += 2 * b, n += b) {
        std::memcpy(l + n, block + i, b);
        std::memcpy(r + n, block + i + b, b);
    }
    return n;
}

} // namespace vorlane
