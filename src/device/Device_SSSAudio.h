#pragma once

#include "device/USBTEL_COMM_TSS.h"
#include "device/VDevicePhone.h"

namespace vorlane {

// The device "SSS USB Audio Device": accepted by its product string alone, with the fixed
// type code 0xD301.
//
// Thread contract: the HID manager thread.
class Device_SSSAudio : public VDevicePhone<USBTEL_COMM_TSS<4>> {
public:
    static constexpr const char* ModelName = "SSS USB Audio Device";
    static constexpr uint16_t TypeCode = 0xD301;

    Device_SSSAudio() : VDevicePhone<USBTEL_COMM_TSS<4>>(ModelName, TypeCode) {}
    ~Device_SSSAudio() override { releaseWindow(); }

    bool Identify() override { return true; }
};

} // namespace vorlane
