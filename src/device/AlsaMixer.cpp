#include "device/AlsaMixer.h"

#include <alsa/asoundlib.h>
#include <cstdlib>

namespace vorlane {

AudioMixer& AudioMixer::current() {
    static AlsaMixer alsa;
    return alsa;
}

AlsaMixer::~AlsaMixer() {
    close();
}

long AlsaMixer::VolumeFor(long min, long max, int percent) {
    if (percent < 0)
        percent = 0;
    if (percent > 100)
        percent = 100;
    return min + (max - min) * percent / 100;
}

bool AlsaMixer::open(const std::string& id) {
    close();
    snd_mixer_t* m = nullptr;
    if (snd_mixer_open(&m, 0) < 0)
        return false;
    if (snd_mixer_attach(m, id.c_str()) < 0 || snd_mixer_selem_register(m, nullptr, nullptr) < 0 ||
        snd_mixer_load(m) < 0) {
        snd_mixer_close(m);
        return false;
    }
    mixer_ = m;
    return true;
}

std::vector<std::string> AlsaMixer::captureElements() {
    std::vector<std::string> out;
    if (!mixer_)
        return out;
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e)) {
        if (!snd_mixer_selem_is_active(e) || !snd_mixer_selem_has_capture_volume(e))
            continue;
        std::string name = snd_mixer_selem_get_name(e);
        unsigned index = snd_mixer_selem_get_index(e);
        if (index > 0)
            name += "," + std::to_string(index);
        out.push_back(name);
    }
    return out;
}

bool AlsaMixer::setCaptureVolume(const std::string& element, int percent) {
    if (!mixer_)
        return false;
    std::string name = element;
    unsigned index = 0;
    auto comma = element.rfind(',');
    if (comma != std::string::npos) {
        name = element.substr(0, comma);
        index = unsigned(std::strtoul(element.c_str() + comma + 1, nullptr, 10));
    }
    snd_mixer_selem_id_t* sid = nullptr;
    snd_mixer_selem_id_malloc(&sid);
    snd_mixer_selem_id_set_name(sid, name.c_str());
    snd_mixer_selem_id_set_index(sid, index);
    snd_mixer_elem_t* e = snd_mixer_find_selem(mixer_, sid);
    snd_mixer_selem_id_free(sid);
    if (!e)
        return false;
    long min = 0, max = 0;
    if (snd_mixer_selem_get_capture_volume_range(e, &min, &max) < 0)
        return false;
    return snd_mixer_selem_set_capture_volume_all(e, VolumeFor(min, max, percent)) == 0;
}

void AlsaMixer::close() {
    if (mixer_)
        snd_mixer_close(mixer_);
    mixer_ = nullptr;
}

} // namespace vorlane
