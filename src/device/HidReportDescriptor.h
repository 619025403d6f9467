#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorlane {

// Report byte lengths read from a HID report descriptor, counted as the device manager
// compares them: the longest report of each kind plus the report id byte, which every
// report carries on the wire here (0 when the device uses no report ids). A kind the
// device does not have has length 0.
struct HidReportLengths {
    size_t input = 0;
    size_t output = 0;
    size_t feature = 0;
    bool usesReportIds = false;
    bool valid = false; // false when the descriptor is empty or cut short
};

// Parser of HID report descriptors (short items; long items are skipped).
class HidReportDescriptor {
public:
    static HidReportLengths Parse(const uint8_t* data, size_t size);
    static HidReportLengths Parse(const std::vector<uint8_t>& data) {
        return Parse(data.data(), data.size());
    }
};

} // namespace vorlane
