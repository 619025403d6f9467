#include "device/VDevicePhone.h"

#include "device/DeviceIdText.h"
#include "device/EndpointVolume.h"
#include "device/HidCommands.h"
#include "device/USBTEL_COMM_T.h"
#include "device/USBTEL_COMM_TSS.h"
#include "device/_SystemOpenedUSBHid.h"
#include "platform/Messages.h"

#include <chrono>
#include <thread>

namespace vorlane {

template <class Comm>
VDevicePhone<Comm>::VDevicePhone(const DeviceType& type)
    : typeCode_(type.fixedCode), modelName_(type.name) {}

template <class Comm> VDevicePhone<Comm>::~VDevicePhone() {
    releaseWindow();
    if (window_)
        window_->killTimer(timer::DevicePoll);
    this->Detach(); // closes a device that is still attached
}

template <class Comm>
bool VDevicePhone<Comm>::OpenDevice(std::unique_ptr<HidDevice>& file, TPUtilWindow* window,
                                    const std::string& product) {
    if (!window || product.rfind(modelName_, 0) != 0)
        return false;
    if (!this->Attach(file))
        return false;
    window_ = window;
    deviceHandle_ = window->handle();
    window->subclass(this);
    if (Identify()) {
        window->post(msg::Timer, timer::DevicePoll); // first poll at once
        return true;
    }
    window->unsubclass();
    window_ = nullptr;
    deviceHandle_ = 0;
    file = this->Detach();
    return false;
}

template <class Comm> void VDevicePhone<Comm>::CloseDevice() {
    if (window_)
        window_->killTimer(timer::DevicePoll);
    OnClose();
    this->Detach();
}

template <class Comm>
bool VDevicePhone<Comm>::SendCommand(uint8_t command, uint8_t value, int timeoutMs) {
    return Execute(Comm::Simple(command, value), timeoutMs);
}

template <class Comm>
bool VDevicePhone<Comm>::Transact(const Payload& request, Payload& reply, int timeoutMs) {
    if (!this->attached())
        return false;
    Comm::PresetReply(reply, request);
    return SendAndWait(request, reply, timeoutMs);
}

template <class Comm> bool VDevicePhone<Comm>::Execute(const Payload& request, int timeoutMs) {
    Payload scratch{};
    return Transact(request, scratch, timeoutMs);
}

template <class Comm> void VDevicePhone<Comm>::OnClose() {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

template <class Comm> bool VDevicePhone<Comm>::Poll() {
    int n;
    do {
        n = ReadReport();
    } while (n > 0);
    return n >= 0;
}

template <class Comm>
bool VDevicePhone<Comm>::Notify(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    if (owner_ == 0)
        return true;
    return MessageWindow::PostTo(owner_, msg, wParam, lParam);
}

template <class Comm>
bool VDevicePhone<Comm>::SendReport(const Payload& payload, double minIntervalMs) {
    double wait = this->lastWriteTime + minIntervalMs - NowMs();
    if (wait > 0)
        std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(wait));
    while (NowMs() - this->lastWriteTime < minIntervalMs) {
    }
    return this->WriteReport(payload);
}

template <class Comm>
bool VDevicePhone<Comm>::SendAndWait(const Payload& request, Payload& expected, int timeoutMs) {
    if (!SendReport(request, 10))
        return false;
    const double deadline = NowMs() + timeoutMs;
    for (;;) {
        Payload got{};
        int n = this->ReadPending(got);
        if (n == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } else if (n > 0) {
            if (Comm::Matches(got, expected)) {
                expected = got;
                return true;
            }
        } else {
            return false;
        }
        if (NowMs() >= deadline)
            return false;
    }
}

template <class Comm> int VDevicePhone<Comm>::ReadReport() {
    if (!this->attached())
        return 0;
    Payload got{};
    return this->ReadPending(got);
}

template <class Comm> void VDevicePhone<Comm>::PollStep() {
    if (window_)
        window_->killTimer(timer::DevicePoll);
    if (Poll()) {
        failedPolls_ = 0;
    } else if (++failedPolls_ >= FailedPollsToLose) {
        DeviceLost();
        return;
    }
    if (window_)
        window_->setTimer(timer::DevicePoll, PollIntervalMs);
}

template <class Comm> void VDevicePhone<Comm>::DeviceLost() {
    if (!table_)
        return;
    if (table_->Lock()) {
        const bool own = table_->IsOwnRecord(deviceHandle_);
        if (own)
            table_->Unregister(deviceHandle_);
        table_->Unlock();
        if (!own)
            return; // closed meanwhile: the manager has dealt with it
        MessageWindow::PostTo(managerWindow_, msg::DeviceEnded, deviceHandle_, 0);
    } else {
        // A process that hangs holding the table must not keep this device "connected":
        // the manager retries the release, and the owner hears of the end all the same.
        MessageWindow::PostTo(managerWindow_, msg::DeviceEnded, deviceHandle_, kRecordStillHeld);
    }
    this->Detach();
    Notify(msg::DeviceEnded, 0, 0);
}

template <class Comm>
bool VDevicePhone<Comm>::ProcessWindowMessage(const Message& m, intptr_t& result) {
    result = 0;
    switch (m.msg) {
    case msg::Timer:
        if (m.wParam != timer::DevicePoll)
            return false;
        PollStep();
        return true;
    case devmsg::SetOwner:
        owner_ = WindowHandle(m.wParam);
        return true;
    case devmsg::TypeCode:
        result = typeCode_;
        return true;
    case devmsg::UsbWaveNames: {
        EndpointVolume volume;
        if (auto* out = reinterpret_cast<std::string*>(m.wParam)) {
            int i = volume.FindWaveOut("USB", 1);
            if (i >= 0)
                *out = volume.WaveOutName(i);
        }
        if (auto* in = reinterpret_cast<std::string*>(m.lParam)) {
            int i = volume.FindWaveIn("USB", 1);
            if (i >= 0)
                *in = volume.WaveInName(i);
        }
        return true;
    }
    case devmsg::HardwareId:
        if (auto* out = reinterpret_cast<std::string*>(m.wParam))
            *out = hardwareId_;
        return true;
    case devmsg::Nothing:
        return true;
    case devmsg::WriteUserId: {
        // The short report variant has no room for the 8-byte id; it is not carried.
        if constexpr (Comm::PayloadSize >= 12) {
            const auto* text = reinterpret_cast<const std::string*>(m.lParam);
            if (!text)
                return true;
            userId_ = text->substr(0, 16);
            Payload req{};
            req[0] = hidcmd::WriteUserId;
            req[1] = hidcmd::SubUserId;
            Comm::SetParameter(req, uint16_t(m.wParam));
            auto bytes = DeviceIdText::Parse(userId_);
            std::copy(bytes.begin(), bytes.end(), req.begin() + 4);
            Execute(req, 1000);
        }
        return true;
    }
    case devmsg::ReadUserId: {
        if constexpr (Comm::PayloadSize >= 12) {
            Payload req{}, rep{};
            req[0] = hidcmd::ReadUserId;
            req[1] = hidcmd::SubUserId;
            Comm::SetParameter(req, uint16_t(m.wParam));
            if (Transact(req, rep, 1000)) {
                userId_ = DeviceIdText::Format(rep.data() + 4);
                if (auto* out = reinterpret_cast<std::string*>(m.lParam))
                    *out = userId_;
            }
        }
        return true;
    }
    default:
        return false;
    }
}

template class VDevicePhone<USBTEL_COMM_T<16>>;
template class VDevicePhone<USBTEL_COMM_TSS<4>>;

} // namespace vorlane
