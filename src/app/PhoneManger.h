#pragma once

// The supervision of the USB device on the device thread: it connects a device through
// the HID manager (first after 1 s, then every 2.9 s until one is found), creates the
// device object for its type code, watches a "USB PnP Audio Device" input that has no
// HID interface, relays "device gone" when the device ends, and releases the device when
// the owner window is destroyed.
//
// Thread contract: every member runs on the device thread (the owner window's thread).

#include "device/AudioDeviceList.h"
#include "device/DeviceRelay.h"
#include "device/LogicPhone.h"
#include "device/TPUtilWindow.h"
#include "platform/MessageWindow.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vorlane {

class PhoneManger {
public:
    // What the supervision needs of the window that owns it (CMainDlg).
    class Owner : public DeviceRelay {
    public:
        virtual MessageWindow& phoneWindow() = 0;
        // The window that takes device notifications while a device object exists.
        virtual void setDeviceTargetWindow(WindowHandle w) = 0;
        virtual void setPhoneTimer(uint32_t id, int ms) { phoneWindow().setTimer(id, ms); }
        virtual void killPhoneTimer(uint32_t id) { phoneWindow().killTimer(id); }
        // Tells the user that the device at this node may not be opened.
        virtual void reportInaccessible(const std::string& path) = 0;
    };

    static constexpr int FirstConnectMs = 1000;
    static constexpr int DeviceChangeConnectMs = 2000;
    static constexpr int ReconnectAfterEndMs = 300;
    static constexpr int RetryConnectMs = 2900;
    static constexpr int FirstWatchMs = 1000;
    static constexpr int WatchMs = 200;
    static constexpr int CloseWaitMs = 1000;
    static constexpr uint32_t OpenMask = 0x3C000;

    explicit PhoneManger(Owner& owner);
    ~PhoneManger();
    PhoneManger(const PhoneManger&) = delete;
    PhoneManger& operator=(const PhoneManger&) = delete;

    // nullptr: the current wave input list.
    void setWaveInputs(AudioDeviceList* list) { waveInputs_ = list; }

    // Starts the HID manager; when it runs, the first connect follows in 1 s.
    bool StartPhoneManger();
    // The supervision's part of the owner's message map: the connect and watch timers,
    // the device end (1281), device changes, and then everything else for the device
    // object. Call it last in the owner's map.
    bool ProcessPhoneMessage(const Message& m, intptr_t& result);
    // Connects a device unless one is connected; true when a device object exists.
    bool Connect();
    // Stops and deletes the device object, closes its device and stops the HID manager.
    void ReleaseDevice();

    LogicPhone* device() const { return device_.get(); }

private:
    bool ConnectOnce();
    // Creates, attaches and starts the device object for the handle's type code; false
    // (and the handle closed) when the code belongs to no device.
    bool CreateDevice(uint32_t handle, uint16_t typeCode);
    void StartDevice(std::unique_ptr<LogicPhone> device, uint32_t handle, uint16_t typeCode);
    bool WaveInputPresent();
    void OnDeviceEnded(uintptr_t object);
    void OnWatchTimer();
    // Once per device node: a device that is there but may not be opened is named to the
    // user instead of being retried in silence.
    void ReportInaccessible();

    Owner& owner_;
    AudioDeviceList* waveInputs_ = nullptr;
    std::unique_ptr<TPUtilWindow> utilWindow_;
    std::unique_ptr<LogicPhone> device_;
    std::string reportedPath_;
};

} // namespace vorlane
