#pragma once

#include "device/FixedCodeModel.h"
#include "device/USBTEL_COMM_TSS.h"

namespace vorlane {

// The device "SSS USB Audio Device" (DeviceTypes::Sss), on the 4-byte reports.
class Device_SSSAudio : public FixedCodeModel<USBTEL_COMM_TSS<4>> {
public:
    Device_SSSAudio() : FixedCodeModel(DeviceTypes::Sss) {}
};

} // namespace vorlane
