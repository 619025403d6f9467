#pragma once

#include "device/HidBackend.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane {

// The result of the last enumeration of supported HID devices: device paths and product
// strings side by side.
//
// Thread contract: the HID manager thread.
class LCDevEnumtor {
public:
    explicit LCDevEnumtor(HidBackend* backend = nullptr) : backend_(backend) {}

    // Lists the present devices with these ids whose product string can be read.
    bool Enumerate(uint16_t vendorId, uint16_t productId);
    // Enumerates the ids of DeviceTypes::All in order and stops at the first that lists a
    // device.
    bool EnumerateSupported();
    // The same from the id pair with index `pair` of DeviceTypes::All on; `pair` becomes
    // the index of the pair listed. False when no pair from there on lists a device.
    bool EnumerateFrom(size_t& pair);

    const std::vector<std::string>& paths() const { return paths_; }
    const std::vector<std::string>& products() const { return products_; }

    // The back end given, else the current one.
    HidBackend& backend() const { return backend_ ? *backend_ : HidBackend::current(); }

private:
    HidBackend* backend_;
    std::vector<std::string> paths_;
    std::vector<std::string> products_;
};

} // namespace vorlane
