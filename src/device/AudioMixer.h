#pragma once

#include <string>
#include <vector>

namespace vorlane {

// The capture volume controls of one sound card: the ALSA simple mixer in the program,
// a fake that records the calls in tests.
//
// Thread contract: one caller at a time (EndpointVolume serialises its use).
class AudioMixer {
public:
    virtual ~AudioMixer() = default;
    // Opens the mixer of a card ("hw:1").
    virtual bool open(const std::string& id) = 0;
    // The elements with a capture volume, in the mixer's order ("Mic", "Line,1").
    virtual std::vector<std::string> captureElements() = 0;
    // Sets every channel of the element's capture volume to percent of its range.
    virtual bool setCaptureVolume(const std::string& element, int percent) = 0;
    virtual void close() = 0;

    // The ALSA mixer.
    static AudioMixer& current();
};

} // namespace vorlane
