#pragma once

#include "device/HidDevice.h"
#include "device/TPUtilWindow.h"
#include "platform/MessageWindow.h"

#include <memory>
#include <string>

namespace vorlane {

class _SystemOpenedUSBHid;

// What the HID manager knows of a device model: open it on a device and a utility
// window, close it, tell it its owner and its manager. The model's device handle is the
// handle of the window it took over.
//
// Thread contract: the HID manager thread.
class _BasePhone : public TPUtilWindow::Subclass {
public:
    // lParam of the 1281 to the manager when a lost model could not give up its record.
    static constexpr intptr_t kRecordStillHeld = 1;

    ~_BasePhone() override;

    // Accepts the device when the product string is this model's and the device answers;
    // then file has been taken. Refused, file stays with the caller.
    virtual bool OpenDevice(std::unique_ptr<HidDevice>& file, TPUtilWindow* window,
                            const std::string& product) = 0;
    // Stops polling and closes the device.
    virtual void CloseDevice() = 0;

    void setOwnerWindow(WindowHandle w) { owner_ = w; }
    // The record table and manager window to report a lost device to.
    void setManager(_SystemOpenedUSBHid* table, WindowHandle managerWindow) {
        table_ = table;
        managerWindow_ = managerWindow;
    }

    TPUtilWindow* window() const { return window_; }
    WindowHandle deviceHandle() const { return deviceHandle_; }
    // Takes ownership of the window the model was opened on.
    void adoptWindow(std::unique_ptr<TPUtilWindow> w) { ownedWindow_ = std::move(w); }

protected:
    // Stops the window from calling this object; derived destructors call it first.
    void releaseWindow();

    TPUtilWindow* window_ = nullptr;
    WindowHandle deviceHandle_ = 0;
    WindowHandle owner_ = 0;
    _SystemOpenedUSBHid* table_ = nullptr;
    WindowHandle managerWindow_ = 0;

private:
    std::unique_ptr<TPUtilWindow> ownedWindow_;
};

} // namespace vorlane
