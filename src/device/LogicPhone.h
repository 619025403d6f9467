#pragma once

// A connected device as the device thread sees it: it takes over a utility window,
// announces itself, and when its device ends it cleans up and tells its owner (message
// 1281 with itself in wParam).
//
// Thread contract: the device thread (the thread of its window).

#include "device/DeviceRelay.h"
#include "device/TPUtilWindow.h"

#include <cstdint>

namespace vorlane {

class LogicPhone : public TPUtilWindow::Subclass {
public:
    ~LogicPhone() override;

    void setDeviceHandle(uint32_t handle) { deviceHandle_ = handle; }
    uint32_t deviceHandle() const { return deviceHandle_; }
    void setTypeCode(uint16_t code) { typeCode_ = code; }
    uint16_t typeCode() const { return typeCode_; }
    void setOwnerWindow(WindowHandle w) { owner_ = w; }
    void setRelay(DeviceRelay* relay) { relay_ = relay; }

    // Takes over the window's messages (until the object is deleted).
    void Attach(TPUtilWindow* window);
    TPUtilWindow* window() const { return window_; }
    WindowHandle windowHandle() const { return window_ ? window_->handle() : 0; }

    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual void Cleanup() = 0;

    // The dispatch of the window: routines, the object's own handlers, then the device
    // end; the rest goes back to the window.
    bool ProcessWindowMessage(const Message& m, intptr_t& result) override;

protected:
    // The routine manager's turn; true when handled.
    virtual bool ProcessRoutineMessage(const Message& m, intptr_t& result) = 0;
    void relay(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
        if (relay_)
            relay_->Relay(msg, wParam, lParam);
    }
    // Derived destructors call it first, so no message reaches a half-destroyed object.
    void releaseWindow();

private:
    uint32_t deviceHandle_ = 0;
    uint16_t typeCode_ = 0;
    WindowHandle owner_ = 0;
    DeviceRelay* relay_ = nullptr;
    TPUtilWindow* window_ = nullptr;
};

} // namespace vorlane
