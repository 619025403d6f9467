#pragma once

#include <cstdint>

namespace vorlane {

// Posts a message to the main panel on behalf of the device layer; the owner keeps the
// device type code from the "device ready" and "device gone" messages it relays.
//
// Thread contract: Relay() may be called from any thread.
class DeviceRelay {
public:
    virtual ~DeviceRelay() = default;
    virtual bool Relay(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
};

} // namespace vorlane
