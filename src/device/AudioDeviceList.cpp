#include "device/AudioDeviceList.h"

#include "device/AlsaDeviceList.h"

#include <atomic>

namespace vorlane {

namespace {
std::atomic<AudioDeviceList*> g_installed{nullptr};
}

AudioDeviceList& AudioDeviceList::current() {
    static AlsaDeviceList alsa;
    AudioDeviceList* l = g_installed.load(std::memory_order_acquire);
    return l ? *l : alsa;
}

void AudioDeviceList::install(AudioDeviceList* list) {
    g_installed.store(list, std::memory_order_release);
}

} // namespace vorlane
