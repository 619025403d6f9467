#include "device/AudioDeviceList.h"

#include "device/AlsaDeviceList.h"

namespace vorlane {

AudioDeviceList& AudioDeviceList::current() {
    static AlsaDeviceList alsa;
    return alsa;
}

} // namespace vorlane
