#pragma once

#include "audio/WaveFormat.h"

#include <alsa/asoundlib.h>

namespace vorlane {

// The hardware set-up that the ALSA capture and monitor PCMs share.
class AlsaHardwareParams {
public:
    // Interleaved access in `sampleFormat` with the channels and rate of `format`, a period
    // and a ring of about the wished sizes (a device may round them; both are set to what
    // it chose). 0, or the ALSA error with `formatRefused` telling whether the device
    // refused the format rather than the set-up as a whole.
    static int Set(snd_pcm_t* pcm, snd_pcm_format_t sampleFormat, const WaveFormat& format,
                   snd_pcm_uframes_t& period, snd_pcm_uframes_t& ring, bool& formatRefused);
};

} // namespace vorlane
