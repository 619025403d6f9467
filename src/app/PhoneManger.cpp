#include "app/PhoneManger.h"

#include "device/DeviceManagerCall.h"
#include "device/DeviceManger.h"
#include "device/EndpointVolume.h"
#include "device/RivorAzururu_Device.h"
#include "device/Zododuzidi_Device.h"
#include "platform/DeviceTypes.h"
#include "platform/Messages.h"

#include <exception>

namespace vorlane {

PhoneManger::PhoneManger(Owner& owner) : owner_(owner) {}

PhoneManger::~PhoneManger() {
    // Normally released at the owner's destruction; this only keeps objects from
    // outliving their windows.
    device_.reset();
    utilWindow_.reset();
}

bool PhoneManger::StartPhoneManger() {
    if (!DeviceManagerCall(0, devmsg::ManagerOpen, 0, 0))
        return false;
    owner_.setPhoneTimer(timer::Connect, FirstConnectMs);
    return true;
}

bool PhoneManger::ProcessPhoneMessage(const Message& m, intptr_t& result) {
    switch (m.msg) {
    case msg::Timer:
        if (m.wParam == timer::Connect) {
            owner_.killPhoneTimer(timer::Connect);
            const bool connected = Connect();
            // Also when another device was taken: the user learns why this one is not used.
            ReportInaccessible();
            if (!connected)
                owner_.setPhoneTimer(timer::Connect, RetryConnectMs);
            result = 0;
            return true;
        }
        if (m.wParam == timer::WaveInputWatch) {
            OnWatchTimer();
            result = 0;
            return true;
        }
        break;
    case msg::DeviceEnded:
        OnDeviceEnded(m.wParam);
        result = 0;
        return true;
    case msg::DeviceChange:
        if (device_)
            owner_.setPhoneTimer(timer::Connect, DeviceChangeConnectMs);
        result = 0;
        return true;
    default:
        break;
    }
    // Whatever the owner does not handle is the device object's.
    return device_ && device_->ProcessWindowMessage(m, result);
}

bool PhoneManger::Connect() {
    if (device_)
        return true;
    try {
        return ConnectOnce();
    } catch (const std::exception&) {
        device_.reset();
        utilWindow_.reset();
        return false;
    }
}

bool PhoneManger::ConnectOnce() {
    utilWindow_ = std::make_unique<TPUtilWindow>();
    if (!utilWindow_->create()) {
        utilWindow_.reset();
        return false;
    }
    const uintptr_t window = utilWindow_->handle();
    uint32_t handle = uint32_t(DeviceManagerCall(0, devmsg::ManagerOpen, window, OpenMask));
    if (handle == 0) {
        if (!WaveInputPresent()) {
            utilWindow_.reset();
            return false;
        }
        handle = uint32_t(DeviceManagerCall(0, devmsg::ManagerOpen, window, OpenMask));
        if (handle == 0) {
            // An input without a HID interface: a device object with no handle, kept as
            // long as the input is there.
            StartDevice(std::make_unique<Zododuzidi_Device>(), 0, DeviceTypes::UsbPnp.fixedCode);
            owner_.setPhoneTimer(timer::WaveInputWatch, FirstWatchMs);
            return true;
        }
    }
    uint16_t code = uint16_t(DeviceManagerCall(handle, devmsg::TypeCode, 0, 0));
    return CreateDevice(handle, code);
}

bool PhoneManger::CreateDevice(uint32_t handle, uint16_t code) {
    std::unique_ptr<LogicPhone> device;
    if (DeviceTypes::Adapter.contains(code))
        device = std::make_unique<RivorAzururu_Device>();
    else if (DeviceTypes::Of(code))
        device = std::make_unique<Zododuzidi_Device>();
    if (!device) {
        utilWindow_.reset();
        DeviceManagerCall(handle, devmsg::ManagerClose, 0, 0);
        return false;
    }
    StartDevice(std::move(device), handle, code);
    return true;
}

void PhoneManger::StartDevice(std::unique_ptr<LogicPhone> device, uint32_t handle, uint16_t code) {
    device->setTypeCode(code);
    device->setDeviceHandle(handle);
    device->setOwnerWindow(owner_.phoneWindow().handle());
    device->setRelay(&owner_);
    device->Attach(utilWindow_.get());
    device_ = std::move(device);
    owner_.setDeviceTargetWindow(owner_.phoneWindow().handle());
    device_->Start();
}

bool PhoneManger::WaveInputPresent() {
    AudioDeviceList& list = waveInputs_ ? *waveInputs_ : AudioDeviceList::current();
    return EndpointVolume::Find(list.waveInputs(), DeviceTypes::UsbPnp.name, 1) >= 0;
}

void PhoneManger::ReportInaccessible() {
    const std::string path = DeviceManger::instance().InaccessiblePath();
    if (path.empty() || path == reportedPath_)
        return;
    reportedPath_ = path;
    owner_.reportInaccessible(path);
}

void PhoneManger::OnWatchTimer() {
    owner_.killPhoneTimer(timer::WaveInputWatch);
    if (WaveInputPresent()) {
        owner_.setPhoneTimer(timer::WaveInputWatch, WatchMs);
        return;
    }
    if (device_ && utilWindow_)
        utilWindow_->post(msg::DeviceEnded, 0, 0); // the device object reports its end
}

void PhoneManger::OnDeviceEnded(uintptr_t object) {
    if (!device_ || object != reinterpret_cast<uintptr_t>(device_.get()))
        return;
    // Taken out first: waiting runs other messages, and a new connect may begin.
    std::unique_ptr<LogicPhone> device = std::move(device_);
    std::unique_ptr<TPUtilWindow> window = std::move(utilWindow_);
    owner_.setDeviceTargetWindow(0);
    CloseAndWait(device->windowHandle(), CloseWaitMs);
    device.reset();
    window.reset();
    owner_.Relay(msg::DeviceGone, 0, 0);
    owner_.setPhoneTimer(timer::Connect, ReconnectAfterEndMs);
}

void PhoneManger::ReleaseDevice() {
    owner_.killPhoneTimer(timer::Connect);
    owner_.killPhoneTimer(timer::WaveInputWatch);
    std::unique_ptr<TPUtilWindow> window = std::move(utilWindow_);
    if (std::unique_ptr<LogicPhone> device = std::move(device_)) {
        owner_.setDeviceTargetWindow(0);
        device->Stop();
        if (device->deviceHandle() != 0) // 0 would stop the whole manager
            DeviceManagerCall(device->deviceHandle(), devmsg::ManagerClose, 0, 0);
        CloseAndWait(device->windowHandle(), CloseWaitMs);
        device.reset();
    }
    window.reset();
    DeviceManagerCall(0, devmsg::ManagerClose, 0, 0);
}

} // namespace vorlane
