#include "platform/DeviceTypes.h"

namespace vorlane {

const DeviceType* DeviceTypes::Of(uint32_t code) {
    for (const DeviceType& t : All)
        if (t.contains(code))
            return &t;
    return nullptr;
}

const char* DeviceTypes::CaptureName(uint32_t code) {
    const DeviceType* t = Of(code);
    return (t ? *t : Adapter).name;
}

bool DeviceTypes::VolumeOnCard(uint32_t code) {
    const DeviceType* t = Of(code);
    return t && t->volumeOnCard;
}

const char* DeviceTypes::VolumeCardName(uint32_t code) {
    return VolumeOnCard(code) ? Of(code)->name : "";
}

} // namespace vorlane
