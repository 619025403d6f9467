#pragma once

#include "device/USBTEL_COMM_TSS.h"
#include "device/VDevicePhone.h"

namespace vorlane {

// The device "USB Audio Controller": accepted by its product string alone, with the fixed
// type code 0xD401.
//
// Thread contract: the HID manager thread.
class Device_AudioController : public VDevicePhone<USBTEL_COMM_TSS<4>> {
public:
    static constexpr const char* ModelName = "USB Audio Controller";
    static constexpr uint16_t TypeCode = 0xD401;

    Device_AudioController() : VDevicePhone<USBTEL_COMM_TSS<4>>(ModelName, TypeCode) {}
    ~Device_AudioController() override { releaseWindow(); }

    bool Identify() override { return true; }
};

} // namespace vorlane
