#include "device/SimulatedHidDevice.h"

#include "device/HidCommands.h"
#include "device/USBTEL_COMM_T.h"
#include "device/USBTEL_COMM_TSS.h"
#include "platform/DeviceTypes.h"

#include <algorithm>

namespace vorlane {

namespace {
using Comm16 = USBTEL_COMM_T<16>;
using Comm4 = USBTEL_COMM_TSS<4>;

struct Identity {
    SimulatedHidDevice::Kind kind;
    const char* name; // as VORLANE_SIM_DEVICE names it; the path is "sim:" + name
    const DeviceType& type;
    size_t reportLength;
};

constexpr Identity kIdentities[] = {
    {SimulatedHidDevice::Kind::Adapter, "adapter", DeviceTypes::Adapter, Comm16::ReportLength},
    {SimulatedHidDevice::Kind::UsbPnp, "usbpnp", DeviceTypes::UsbPnp, Comm16::ReportLength},
    {SimulatedHidDevice::Kind::Sss, "sss", DeviceTypes::Sss, Comm4::ReportLength},
    {SimulatedHidDevice::Kind::Controller, "controller", DeviceTypes::Controller,
     Comm4::ReportLength},
};

const Identity& identityOf(SimulatedHidDevice::Kind kind) {
    for (const Identity& id : kIdentities)
        if (id.kind == kind)
            return id;
    return kIdentities[0];
}
} // namespace

SimulatedHidDevice::SimulatedHidDevice(Kind kind, std::string path) : kind_(kind) {
    const Identity& id = identityOf(kind);
    vendorId_ = id.type.vendorId;
    productId_ = id.type.productId;
    product_ = id.type.name;
    inputLength_ = outputLength_ = id.reportLength;
    path_ = path.empty() ? "sim:" + std::string(id.name) : std::move(path);
}

std::optional<SimulatedHidDevice::Kind> SimulatedHidDevice::KindFromName(std::string_view name) {
    for (const Identity& id : kIdentities)
        if (name == id.name)
            return id.kind;
    return std::nullopt;
}

std::string SimulatedHidDevice::path() const {
    return locked([&] { return path_; });
}
uint16_t SimulatedHidDevice::vendorId() const {
    return locked([&] { return vendorId_; });
}
uint16_t SimulatedHidDevice::productId() const {
    return locked([&] { return productId_; });
}
std::string SimulatedHidDevice::product() const {
    return locked([&] { return product_; });
}
size_t SimulatedHidDevice::inputLength() const {
    return locked([&] { return inputLength_; });
}
size_t SimulatedHidDevice::outputLength() const {
    return locked([&] { return outputLength_; });
}

void SimulatedHidDevice::setProduct(std::string product) {
    locked([&] { product_ = std::move(product); });
}
void SimulatedHidDevice::setReportLengths(size_t input, size_t output) {
    locked([&] {
        inputLength_ = input;
        outputLength_ = output;
    });
}
void SimulatedHidDevice::setTypeCode(uint16_t code) {
    locked([&] { typeCode_ = code; });
}

void SimulatedHidDevice::unplug() {
    locked([&] { vanish(); });
}
void SimulatedHidDevice::plug() {
    locked([&] { plugged_ = true; });
}
bool SimulatedHidDevice::plugged() const {
    return locked([&] { return plugged_; });
}
void SimulatedHidDevice::setAccessible(bool accessible) {
    locked([&] { accessible_ = accessible; });
}
bool SimulatedHidDevice::accessible() const {
    return locked([&] { return accessible_; });
}
void SimulatedHidDevice::unplugOnNextRequest() {
    locked([&] { unplugOnRequest_ = true; });
}
void SimulatedHidDevice::holdReplies(bool hold) {
    locked([&] { hold_ = hold; });
}
void SimulatedHidDevice::releaseHeldReplies() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& r : held_)
        input_.push_back(std::move(r));
    held_.clear();
}
void SimulatedHidDevice::setMute(bool mute) {
    locked([&] { mute_ = mute; });
}

void SimulatedHidDevice::sendStrayReport(const std::vector<uint8_t>& payload) {
    locked([&] { input_.push_back(inputReport(payload)); });
}

std::vector<std::vector<uint8_t>> SimulatedHidDevice::writtenReports() const {
    return locked([&] { return written_; });
}
std::vector<bool> SimulatedHidDevice::ledCommands() const {
    return locked([&] { return led_; });
}
bool SimulatedHidDevice::ledOn() const {
    return locked([&] { return !led_.empty() && led_.back(); });
}
std::vector<bool> SimulatedHidDevice::switchCommands() const {
    return locked([&] { return switch_; });
}
std::optional<std::array<uint8_t, 8>> SimulatedHidDevice::userId(uint16_t parameter) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = userIds_.find(parameter);
    if (it == userIds_.end())
        return std::nullopt;
    return it->second;
}
size_t SimulatedHidDevice::pendingInputReports() const {
    return locked([&] { return input_.size(); });
}

int SimulatedHidDevice::read(uint8_t* buffer, size_t length) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_)
        return -1;
    if (input_.empty())
        return 0;
    std::vector<uint8_t> r = std::move(input_.front());
    input_.pop_front();
    size_t n = std::min(length, r.size());
    std::copy_n(r.begin(), n, buffer);
    return int(n);
}

int SimulatedHidDevice::write(const uint8_t* buffer, size_t length) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_ || length != outputLength_)
        return -1;
    std::vector<uint8_t> wire(buffer, buffer + length);
    written_.push_back(wire);
    if (unplugOnRequest_) {
        unplugOnRequest_ = false;
        vanish();
        return int(length);
    }
    answer(wire);
    return int(length);
}

void SimulatedHidDevice::queueReply(std::vector<uint8_t> payload) {
    if (mute_)
        return;
    if (hold_)
        held_.push_back(inputReport(payload));
    else
        input_.push_back(inputReport(payload));
}

std::vector<uint8_t> SimulatedHidDevice::inputReport(const std::vector<uint8_t>& payload) const {
    std::vector<uint8_t> wire(inputLength_, 0);
    std::copy_n(payload.begin(), std::min(payload.size(), wire.size() - 1), wire.begin() + 1);
    return wire;
}

void SimulatedHidDevice::vanish() {
    plugged_ = false;
    input_.clear();
    held_.clear();
}

void SimulatedHidDevice::answer(const std::vector<uint8_t>& wire) {
    if (wire.size() < 5)
        return;
    const uint8_t command = wire[1];
    if (wire.size() == 5) { // short variant: command, sub-code, parameter, value
        if (command == hidcmd::Led)
            led_.push_back(wire[4] != 0);
        return;
    }
    if (wire.size() != Comm16::ReportLength)
        return;
    Comm16::Payload req{};
    std::copy_n(wire.begin() + 1, req.size(), req.begin());
    Comm16::FromWire(req);
    const uint16_t param = Comm16::Parameter(req);
    const bool adapter = kind_ == Kind::Adapter;
    Comm16::Payload rep{};
    rep[0] = command;
    rep[1] = req[1];
    Comm16::SetParameter(rep, param);
    switch (command) {
    case hidcmd::Led:
        led_.push_back(req[4] != 0);
        if (!adapter)
            return;
        rep[4] = req[4];
        break;
    case hidcmd::Switch:
        switch_.push_back(req[4] != 0);
        return;
    case hidcmd::GetType:
        if (!adapter)
            return;
        Comm16::SetParameter(rep, 0);
        rep[4] = uint8_t(typeCode_ >> 8);
        rep[5] = uint8_t(typeCode_ & 0xFF);
        break;
    case hidcmd::GetHardwareId:
        if (!adapter)
            return;
        Comm16::SetParameter(rep, 0);
        std::copy(hardwareId_.begin(), hardwareId_.end(), rep.begin() + 4);
        break;
    case hidcmd::WriteUserId: {
        if (!adapter)
            return;
        std::array<uint8_t, 8> id{};
        std::copy_n(req.begin() + 4, 8, id.begin());
        userIds_[param] = id;
        break;
    }
    case hidcmd::ReadUserId: {
        if (!adapter)
            return;
        auto it = userIds_.find(param);
        if (it != userIds_.end())
            std::copy(it->second.begin(), it->second.end(), rep.begin() + 4);
        break;
    }
    default:
        return;
    }
    Comm16::ToWire(rep);
    queueReply(std::vector<uint8_t>(rep.begin(), rep.end()));
}

} // namespace vorlane
