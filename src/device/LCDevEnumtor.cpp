#include "device/LCDevEnumtor.h"

#include "platform/DeviceTypes.h"

#include <iterator>

namespace vorlane {

bool LCDevEnumtor::Enumerate(uint16_t vendorId, uint16_t productId) {
    paths_.clear();
    products_.clear();
    std::vector<HidDeviceInfo> found;
    backend().enumerate(vendorId, productId, found);
    for (auto& d : found) {
        if (d.vendorId != vendorId || d.productId != productId || d.product.empty())
            continue;
        paths_.push_back(std::move(d.path));
        products_.push_back(std::move(d.product));
    }
    return !paths_.empty();
}

bool LCDevEnumtor::EnumerateSupported() {
    size_t pair = 0;
    return EnumerateFrom(pair);
}

bool LCDevEnumtor::EnumerateFrom(size_t& pair) {
    for (; pair < std::size(DeviceTypes::All); ++pair) {
        const DeviceType& t = DeviceTypes::All[pair];
        if (Enumerate(t.vendorId, t.productId))
            return true;
    }
    paths_.clear();
    products_.clear();
    return false;
}

} // namespace vorlane
