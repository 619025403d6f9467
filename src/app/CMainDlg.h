#pragma once

// Runs on the device thread: the hidden window is created, handles its messages and is
// destroyed there. Relay() and the atomic fields may be used from any thread.

#include "app/PhoneManger.h"
#include "catalogue/ADOConnection.h"
#include "config/ConfigManger.h"
#include "platform/MessageWindow.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace vorlane {

// The one process-wide object behind the device thread. It is the settings record, owns
// the catalogue connection, and relays device events to the main panel.
class CMainDlg : public MessageWindow, public ConfigManger, public PhoneManger::Owner {
public:
    // The single instance; it lives until the process ends.
    static CMainDlg& instance();

    ~CMainDlg() override;

    // The main panel's window: target of every relayed message.
    std::atomic<WindowHandle> panelWindow{0};
    // This window while a device object exists, otherwise 0.
    std::atomic<WindowHandle> deviceTargetWindow{0};
    // Type code of the attached device, 0 when none; read by the capture engine per block.
    std::atomic<int> deviceTypeCode{0};

    ADOConnection& catalogue() { return catalogue_; }

    // Posts to the panel window; DeviceReady stores wParam as the device type code and
    // DeviceGone clears it. Any thread.
    bool Relay(uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0) override;

    // Device supervision: the connected device and its object live here.
    MessageWindow& phoneWindow() override { return *this; }
    void setDeviceTargetWindow(WindowHandle w) override { deviceTargetWindow.store(w); }
    void reportInaccessible(const std::string& path) override;

    // What the user must be told about the catalogue after start-up (a file set aside, a
    // catalogue that could not be opened); empty when all is well. Read after the device
    // thread has started.
    const std::string& catalogueNotice() const { return catalogueNotice_; }

protected:
    bool processMessage(const Message& m, intptr_t& result) override;

private:
    CMainDlg() = default;
    void onCreate();
    void onDestroy();

    ADOConnection catalogue_;
    std::string catalogueNotice_;
    PhoneManger phone_{*this}; // device supervision
};

} // namespace vorlane
