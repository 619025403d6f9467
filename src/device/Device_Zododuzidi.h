#pragma once

#include "device/USBTEL_COMM_T.h"
#include "device/VDevicePhone.h"

namespace vorlane {

// The USB turntable that presents itself as "USB PnP Audio Device": accepted by its product string
// alone, with the fixed type code 0xD201.
//
// Thread contract: the HID manager thread.
class Device_Zododuzidi : public VDevicePhone<USBTEL_COMM_T<16>> {
public:
    static constexpr const char* ModelName = "USB PnP Audio Device";
    static constexpr uint16_t TypeCode = 0xD201;

    Device_Zododuzidi() : VDevicePhone<USBTEL_COMM_T<16>>(ModelName, TypeCode) {}
    ~Device_Zododuzidi() override { releaseWindow(); }

    bool Identify() override { return true; }
};

} // namespace vorlane
