#pragma once

#include "device/FixedCodeModel.h"
#include "device/USBTEL_COMM_T.h"

namespace vorlane {

// The USB turntable "USB PnP Audio Device" (DeviceTypes::UsbPnp), on the 16-byte reports.
class Device_Zododuzidi : public FixedCodeModel<USBTEL_COMM_T<16>> {
public:
    Device_Zododuzidi() : FixedCodeModel(DeviceTypes::UsbPnp) {}
};

} // namespace vorlane
