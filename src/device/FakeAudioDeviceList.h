#pragma once

#include "device/AudioDeviceList.h"

#include <mutex>

namespace vorlane {

// Sound devices that a test makes appear and vanish.
//
// Thread contract: callable from any thread.
class FakeAudioDeviceList : public AudioDeviceList {
public:
    void addWaveInput(const std::string& name, const std::string& id = {});
    void addWaveOutput(const std::string& name, const std::string& id = {});
    void addMixer(const std::string& name, const std::string& id = {});
    // Removes every device of that name (inputs, outputs and mixers).
    void remove(const std::string& name);

    std::vector<AudioDeviceEntry> waveInputs() override;
    std::vector<AudioDeviceEntry> waveOutputs() override;
    std::vector<AudioDeviceEntry> mixers() override;

private:
    mutable std::mutex mutex_;
    std::vector<AudioDeviceEntry> in_, out_, mixers_;
};

} // namespace vorlane
