#pragma once

#include "device/HidBackend.h"
#include "device/SimulatedHidDevice.h"

#include <memory>
#include <mutex>
#include <vector>

namespace vorlane {

// A HID back end whose devices are SimulatedHidDevice objects: plugged devices are
// listed in the order they were added.
//
// Thread contract: add(), remove() and the device controls from any thread.
class SimulatedHidBackend : public HidBackend {
public:
    std::shared_ptr<SimulatedHidDevice> add(SimulatedHidDevice::Kind kind, std::string path = {});
    void add(std::shared_ptr<SimulatedHidDevice> device);
    void remove(const std::shared_ptr<SimulatedHidDevice>& device);
    std::vector<std::shared_ptr<SimulatedHidDevice>> devices() const;
    // How many times open() succeeded for this path.
    int openCount(const std::string& path) const;

    bool enumerate(uint16_t vendorId, uint16_t productId, std::vector<HidDeviceInfo>& out) override;
    std::unique_ptr<HidDevice> open(const std::string& path) override;
    bool accessible(const std::string& path) const override;

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<SimulatedHidDevice>> devices_;
    std::vector<std::pair<std::string, int>> opens_;
};

} // namespace vorlane
