#include "device/Device_RivorAzururu.h"

#include "device/DeviceIdText.h"
#include "device/HidCommands.h"

namespace vorlane {

Device_RivorAzururu::Device_RivorAzururu() : VDevicePhone(DeviceTypes::Adapter) {}

Device_RivorAzururu::~Device_RivorAzururu() {
    StopLedTimers();
    releaseWindow();
}

bool Device_RivorAzururu::Identify() {
    using Comm = USBTEL_COMM_T<16>;
    Payload request{};
    request[0] = hidcmd::GetType;
    request[1] = hidcmd::SubSimple;
    Payload reply{};
    if (!Transact(request, reply, GetTypeTimeoutMs))
        return false;
    uint16_t code = uint16_t(reply[4] << 8 | reply[5]);
    if (!DeviceTypes::Adapter.contains(code))
        return false;
    typeCode_ = code;
    request = Payload{};
    request[0] = hidcmd::GetHardwareId;
    request[1] = hidcmd::SubHardwareId;
    reply = Payload{};
    if (!Transact(request, reply, HardwareIdTimeoutMs))
        return false;
    hardwareId_ = DeviceIdText::Format(reply.data() + 4);
    static_assert(Comm::PayloadSize >= 12);
    return true;
}

bool Device_RivorAzururu::ProcessWindowMessage(const Message& m, intptr_t& result) {
    switch (m.msg) {
    case devmsg::SetLed:
        SetLed(m.wParam != 0);
        result = 0;
        return true;
    case devmsg::PulseLed:
        PulseLed(m.wParam != 0, int(m.lParam));
        result = 0;
        return true;
    case devmsg::Switch: // taken before the LED control's blinking
        SendReport(USBTEL_COMM_T<16>::Simple(hidcmd::Switch, m.wParam != 0 ? 1 : 0),
                   SwitchIntervalMs);
        result = 0;
        return true;
    default:
        break;
    }
    if (ProcessLedMessage(m, result))
        return true;
    return VDevicePhone<USBTEL_COMM_T<16>>::ProcessWindowMessage(m, result);
}

} // namespace vorlane
