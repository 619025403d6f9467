#include "device/LCDevEnumtor.h"

#include "platform/DeviceTypes.h"

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
    for (const DeviceType& t : DeviceTypes::All)
        if (Enumerate(t.vendorId, t.productId))
            return true;
    return false;
}

} // namespace vorlane
