#pragma once

#include "device/IdleRoutineDevice.h"

namespace vorlane {

// The device object of the devices with a fixed type code, and of a "USB PnP Audio
// Device" input without a HID interface.
//
// Thread contract: the device thread.
class Zododuzidi_Device : public IdleRoutineDevice {};

} // namespace vorlane
