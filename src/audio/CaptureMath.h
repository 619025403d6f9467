#pragma once

#include "audio/CaptureSource.h"
#include "audio/WaveFormat.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlane {

// Gain and balance factors for one block.
struct GainFactors {
    float gain = 1.0f;
    float left = 1.0f;
    float right = 1.0f;
    bool unity() const { return gain == 1.0f && left == 1.0f && right == 1.0f; }
};

// The arithmetic of the capture path, kept apart so that it can be checked case by case.
// Everything here is pure and allocation-free except ChooseDevice.
class CaptureMath {
public:
    static constexpr int kDeviceSearchLimit = 20;

    // One eighth of a second of sound, at least 4,096 bytes, whole frames: 22,048 bytes
    // for the capture format.
    static uint32_t BlockSize(const WaveFormat& format);

    // The device to open: the last one whose description contains the capture name of the
    // device type (DeviceTypes::CaptureName, case-sensitive), among the first 20 that have
    // an id; "" (the default device) when none matches.
    static std::string ChooseDevice(const std::vector<CaptureDevice>& devices, int deviceType);

    // Record volume (0..100) and balance (0..100, 50 centred) as factors. Devices whose
    // volume is set on their sound card (DeviceTypes::VolumeOnCard) keep a gain of 1.
    // Values outside 0..100 are taken as the nearest end.
    static GainFactors Gain(int recordVolume, int recordBalance, int deviceType);
    // Scales interleaved 16-bit stereo samples in place, truncating toward zero; even
    // indices are left samples. `data` need not be aligned.
    static void ApplyGain(uint8_t* data, size_t sampleCount, const GainFactors& factors);

    // Splits a block into its left and right samples (mono: the whole block into both).
    // Each output must hold `bytes` bytes. Returns the bytes written to each.
    static uint32_t SplitChannels(const uint8_t* block, uint32_t bytes, const WaveFormat& format,
                                  void* left, void* right);
};

} // namespace vorlane
