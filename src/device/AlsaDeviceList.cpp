#include "device/AlsaDeviceList.h"

#include <alsa/asoundlib.h>
#include <cstdlib>
#include <cstring>

namespace vorlane {

namespace {

// Cards by number, with their names.
template <class F> void forEachCard(F&& f) {
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
        std::string hw = "hw:" + std::to_string(card);
        snd_ctl_t* ctl = nullptr;
        if (snd_ctl_open(&ctl, hw.c_str(), 0) < 0)
            continue;
        snd_ctl_card_info_t* info = nullptr;
        snd_ctl_card_info_malloc(&info);
        if (snd_ctl_card_info(ctl, info) >= 0)
            f(card, ctl, std::string(snd_ctl_card_info_get_name(info)));
        snd_ctl_card_info_free(info);
        snd_ctl_close(ctl);
    }
}

std::string firstLine(const char* s) {
    std::string t = s ? s : "";
    auto nl = t.find('\n');
    return nl == std::string::npos ? t : t.substr(0, nl);
}

} // namespace

std::vector<AudioDeviceEntry> AlsaDeviceList::wave(bool capture) {
    std::vector<AudioDeviceEntry> out;
    const snd_pcm_stream_t stream = capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
    forEachCard([&](int card, snd_ctl_t* ctl, const std::string& cardName) {
        int dev = -1;
        snd_pcm_info_t* pcm = nullptr;
        snd_pcm_info_malloc(&pcm);
        while (snd_ctl_pcm_next_device(ctl, &dev) == 0 && dev >= 0) {
            snd_pcm_info_set_device(pcm, unsigned(dev));
            snd_pcm_info_set_subdevice(pcm, 0);
            snd_pcm_info_set_stream(pcm, stream);
            if (snd_ctl_pcm_info(ctl, pcm) < 0)
                continue;
            out.push_back({cardName + ": " + snd_pcm_info_get_name(pcm),
                           "hw:" + std::to_string(card) + "," + std::to_string(dev)});
        }
        snd_pcm_info_free(pcm);
    });
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) == 0) {
        for (void** h = hints; *h; ++h) {
            char* name = snd_device_name_get_hint(*h, "NAME");
            char* desc = snd_device_name_get_hint(*h, "DESC");
            char* ioid = snd_device_name_get_hint(*h, "IOID");
            bool direction = !ioid || std::strcmp(ioid, capture ? "Input" : "Output") == 0;
            // The per-card aliases name the cards listed above once more.
            bool cardAlias = name && std::strstr(name, "CARD=");
            if (name && desc && direction && !cardAlias && std::strcmp(name, "null") != 0)
                out.push_back({firstLine(desc), name});
            std::free(name);
            std::free(desc);
            std::free(ioid);
        }
        snd_device_name_free_hint(hints);
    }
    return out;
}

std::vector<AudioDeviceEntry> AlsaDeviceList::waveInputs() {
    return wave(true);
}

std::vector<AudioDeviceEntry> AlsaDeviceList::waveOutputs() {
    return wave(false);
}

std::vector<AudioDeviceEntry> AlsaDeviceList::mixers() {
    std::vector<AudioDeviceEntry> out;
    forEachCard([&](int card, snd_ctl_t*, const std::string& cardName) {
        out.push_back({cardName, "hw:" + std::to_string(card)});
    });
    return out;
}

} // namespace vorlane
