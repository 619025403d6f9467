#pragma once

#include "device/AudioDeviceList.h"

namespace vorlane {

// The sound devices that ALSA knows: first every card's PCM devices by stream ("card
// name: device name", id "hw:C,D") and its mixer (the card name, id "hw:C"); then the
// PCMs that the configuration defines with a description (not the per-card aliases).
//
// Thread contract: callable from any thread.
class AlsaDeviceList : public AudioDeviceList {
public:
    std::vector<AudioDeviceEntry> waveInputs() override;
    std::vector<AudioDeviceEntry> waveOutputs() override;
    std::vector<AudioDeviceEntry> mixers() override;

private:
    std::vector<AudioDeviceEntry> wave(bool capture);
};

} // namespace vorlane
