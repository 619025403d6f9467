#pragma once

#include "device/HidBackend.h"

namespace vorlane {

// HID interfaces through hidapi's hidraw back end. The report lengths come from the
// report descriptor in sysfs, or from the hidraw ioctl when sysfs has none.
//
// Thread contract: as HidBackend; hidapi is initialised once, on first use.
class HidapiBackend : public HidBackend {
public:
    HidapiBackend();
    ~HidapiBackend() override;

    bool enumerate(uint16_t vendorId, uint16_t productId, std::vector<HidDeviceInfo>& out) override;
    std::unique_ptr<HidDevice> open(const std::string& path) override;
    bool accessible(const std::string& path) const override;

    // The report descriptor of a hidraw node such as "/dev/hidraw3"; empty when unreadable.
    static std::vector<uint8_t> ReadReportDescriptor(const std::string& path);

private:
    bool initialised_ = false;
};

} // namespace vorlane
