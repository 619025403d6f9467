#pragma once

#include <string>
#include <vector>

namespace vorlane {

// A sound device as the lookups by name see it: the name shown to people and the ALSA
// name to open it with ("hw:1" for a card's mixer, "hw:1,0" or a configured PCM for
// wave devices).
struct AudioDeviceEntry {
    std::string name;
    std::string id;
};

// The wave input, wave output and mixer devices present, in index order: ALSA in the
// program, a fake in tests.
//
// Thread contract: callable from any thread.
class AudioDeviceList {
public:
    virtual ~AudioDeviceList() = default;
    virtual std::vector<AudioDeviceEntry> waveInputs() = 0;
    virtual std::vector<AudioDeviceEntry> waveOutputs() = 0;
    virtual std::vector<AudioDeviceEntry> mixers() = 0;

    // The ALSA list.
    static AudioDeviceList& current();
};

} // namespace vorlane
