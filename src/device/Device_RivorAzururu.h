#pragma once

#include "device/HidCommands.h"
#include "device/USBTEL_COMM_T.h"
#include "device/VDevicePhone.h"
#include "device/_LEDControl.h"

namespace vorlane {

// The USB audio adapter (DeviceTypes::Adapter, whose name ends in two blanks): it reports
// its type code and hardware id, and has an LED and a switch.
//
// Thread contract: the HID manager thread.
class Device_RivorAzururu : public VDevicePhone<USBTEL_COMM_T<16>>,
                            public _LEDControl<Device_RivorAzururu, hidcmd::Led> {
public:
    static constexpr int GetTypeTimeoutMs = 50;
    static constexpr int HardwareIdTimeoutMs = 1000;
    static constexpr double SwitchIntervalMs = 20;

    Device_RivorAzururu();
    ~Device_RivorAzururu() override;

    bool Identify() override;
    bool ProcessWindowMessage(const Message& m, intptr_t& result) override;
};

} // namespace vorlane
