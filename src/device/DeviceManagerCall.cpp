#include "device/DeviceManagerCall.h"

#include "device/DeviceManger.h"

namespace vorlane {

intptr_t DeviceManagerCall(uint32_t handle, uint32_t operation, uintptr_t wParam, intptr_t lParam) {
    return DeviceManger::instance().Call(handle, operation, wParam, lParam);
}

} // namespace vorlane
