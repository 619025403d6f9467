#include "audio/AlsaHardwareParams.h"

namespace vorlane {

int AlsaHardwareParams::Set(snd_pcm_t* pcm, snd_pcm_format_t sampleFormat, const WaveFormat& format,
                            snd_pcm_uframes_t& period, snd_pcm_uframes_t& ring,
                            bool& formatRefused) {
    snd_pcm_hw_params_t* hw;
    snd_pcm_hw_params_alloca(&hw);
    int err;
    formatRefused = true;
    if ((err = snd_pcm_hw_params_any(pcm, hw)) < 0 ||
        (err = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0 ||
        (err = snd_pcm_hw_params_set_format(pcm, hw, sampleFormat)) < 0 ||
        (err = snd_pcm_hw_params_set_channels(pcm, hw, format.channels)) < 0 ||
        (err = snd_pcm_hw_params_set_rate(pcm, hw, format.samplesPerSec, 0)) < 0)
        return err;
    formatRefused = false;
    // Wishes only: blocks are cut from the stream whatever the period is.
    snd_pcm_hw_params_set_period_size_near(pcm, hw, &period, nullptr);
    snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &ring);
    return snd_pcm_hw_params(pcm, hw);
}

} // namespace vorlane
