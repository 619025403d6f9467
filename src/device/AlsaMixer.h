#pragma once

#include "device/AudioMixer.h"

struct _snd_mixer;

namespace vorlane {

// The ALSA simple mixer of one card.
class AlsaMixer : public AudioMixer {
public:
    ~AlsaMixer() override;
    bool open(const std::string& id) override;
    std::vector<std::string> captureElements() override;
    bool setCaptureVolume(const std::string& element, int percent) override;
    void close() override;

    // Raw value for percent of [min, max], truncated toward min.
    static long VolumeFor(long min, long max, int percent);

private:
    _snd_mixer* mixer_ = nullptr;
};

} // namespace vorlane
