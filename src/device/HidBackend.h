#pragma once

#include "device/HidDevice.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorlane {

// One HID interface present in the system.
struct HidDeviceInfo {
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string product; // UTF-8; empty when the product string could not be read
};

// Lists and opens HID interfaces: hidapi (hidraw) in the program, a simulated device for
// tests and demos.
//
// Thread contract: enumerate() and open() are called from the HID manager thread; the
// selection (current/install) from any thread before the manager starts.
class HidBackend {
public:
    virtual ~HidBackend() = default;

    // The present interfaces with these ids, in the system's order. False when the
    // system could not be asked (the list is then empty).
    virtual bool enumerate(uint16_t vendorId, uint16_t productId,
                           std::vector<HidDeviceInfo>& out) = 0;
    // Opens an interface for reading and writing; nullptr when it cannot be opened.
    virtual std::unique_ptr<HidDevice> open(const std::string& path) = 0;
    // False when the interface is there but this user may not open it (no udev rule).
    virtual bool accessible(const std::string& path) const = 0;

    // The installed back end; otherwise the simulated device named by VORLANE_SIM_DEVICE
    // (adapter, usbpnp, sss or controller), otherwise hidapi.
    static HidBackend& current();
    // Installs a back end (not owned); nullptr restores the default.
    static void install(HidBackend* backend);
};

} // namespace vorlane
