#pragma once

#include "device/VDevicePhone.h"
#include "platform/DeviceTypes.h"

namespace vorlane {

// A device model that takes any device with its kind's product string and gives it the
// kind's fixed type code; it asks the device nothing.
//
// Thread contract: the HID manager thread.
template <class Comm> class FixedCodeModel : public VDevicePhone<Comm> {
public:
    explicit FixedCodeModel(const DeviceType& type) : VDevicePhone<Comm>(type) {}
    ~FixedCodeModel() override { this->releaseWindow(); }

    bool Identify() override { return true; }
};

} // namespace vorlane
