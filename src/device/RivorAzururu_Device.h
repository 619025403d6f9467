#pragma once

#include "device/IdleRoutineDevice.h"

namespace vorlane {

// The device object of the audio adapter (DeviceTypes::Adapter).
//
// Thread contract: the device thread.
class RivorAzururu_Device : public IdleRoutineDevice {};

} // namespace vorlane
