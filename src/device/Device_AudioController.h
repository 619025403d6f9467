#pragma once

#include "device/FixedCodeModel.h"
#include "device/USBTEL_COMM_TSS.h"

namespace vorlane {

// The device "USB Audio Controller" (DeviceTypes::Controller), on the 4-byte reports.
class Device_AudioController : public FixedCodeModel<USBTEL_COMM_TSS<4>> {
public:
    Device_AudioController() : FixedCodeModel(DeviceTypes::Controller) {}
};

} // namespace vorlane
