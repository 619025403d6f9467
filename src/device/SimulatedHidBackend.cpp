#include "device/SimulatedHidBackend.h"

#include <algorithm>

namespace vorlane {

namespace {
// An opened simulated device; it keeps the device alive while open.
class SimulatedHandle : public HidDevice {
public:
    explicit SimulatedHandle(std::shared_ptr<SimulatedHidDevice> d)
        : device_(std::move(d)), in_(device_->inputLength()), out_(device_->outputLength()) {}
    int readReport(uint8_t* buffer, size_t length) override {
        return device_->read(buffer, length);
    }
    int writeReport(const uint8_t* buffer, size_t length) override {
        return device_->write(buffer, length);
    }
    size_t inputReportLength() const override { return in_; }
    size_t outputReportLength() const override { return out_; }

private:
    std::shared_ptr<SimulatedHidDevice> device_;
    size_t in_, out_;
};
} // namespace

std::shared_ptr<SimulatedHidDevice> SimulatedHidBackend::add(SimulatedHidDevice::Kind kind,
                                                             std::string path) {
    auto d = std::make_shared<SimulatedHidDevice>(kind, std::move(path));
    add(d);
    return d;
}

void SimulatedHidBackend::add(std::shared_ptr<SimulatedHidDevice> device) {
    std::lock_guard<std::mutex> lock(mutex_);
    devices_.push_back(std::move(device));
}

void SimulatedHidBackend::remove(const std::shared_ptr<SimulatedHidDevice>& device) {
    std::lock_guard<std::mutex> lock(mutex_);
    devices_.erase(std::remove(devices_.begin(), devices_.end(), device), devices_.end());
}

std::vector<std::shared_ptr<SimulatedHidDevice>> SimulatedHidBackend::devices() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return devices_;
}

bool SimulatedHidBackend::accessible(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& d : devices_)
        if (d->path() == path)
            return d->accessible();
    return true;
}

int SimulatedHidBackend::openCount(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [p, n] : opens_)
        if (p == path)
            return n;
    return 0;
}

bool SimulatedHidBackend::enumerate(uint16_t vendorId, uint16_t productId,
                                    std::vector<HidDeviceInfo>& out) {
    out.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& d : devices_) {
        if (!d->plugged() || d->vendorId() != vendorId || d->productId() != productId)
            continue;
        out.push_back({d->path(), d->vendorId(), d->productId(), d->product()});
    }
    return true;
}

std::unique_ptr<HidDevice> SimulatedHidBackend::open(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& d : devices_) {
        if (d->path() != path || !d->plugged())
            continue;
        if (!d->accessible())
            return nullptr;
        auto it = std::find_if(opens_.begin(), opens_.end(),
                               [&](const auto& e) { return e.first == path; });
        if (it == opens_.end())
            opens_.emplace_back(path, 1);
        else
            ++it->second;
        return std::make_unique<SimulatedHandle>(d);
    }
    return nullptr;
}

} // namespace vorlane
