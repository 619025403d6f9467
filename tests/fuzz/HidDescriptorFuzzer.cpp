// The HID report descriptor parser, fed what a device (or a sysfs file) may hold.
#include "device/HidReportDescriptor.h"

#include <cstddef>
#include <cstdint>

using namespace vorlane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HidReportDescriptor::Parse(data, size);
    return 0;
}
