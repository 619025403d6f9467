#pragma once

#include <cstdint>

namespace vorlane {

// The HID device manager's entry point, callable from any thread:
//   1304, handle 0, wParam 0: start the manager; true when it runs.
//   1304, handle 0, wParam owner window, lParam open mask (0x3C000 for every kind): open
//         a device for that window; the device handle, or 0.
//   1306 with a handle: close that device; 1.  1306 with 0: close every device of this
//         process and stop the manager; 1.
//   any other operation: forwarded to the device's window (1307 gives its type code);
//         the answer, or 0 for a handle this process has not registered or a device
//         that does not answer within 4 s. Operations that pass the caller's buffers
//         (devmsg::CarriesCallerBuffer) wait for the answer, since the device uses them.
intptr_t DeviceManagerCall(uint32_t handle, uint32_t operation, uintptr_t wParam, intptr_t lParam);

} // namespace vorlane
