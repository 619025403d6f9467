#pragma once

#include <cstddef>
#include <cstdint>

namespace vorlane {

// One opened HID interface. Reports carry the report id in byte 0 (0 for devices that
// use none), so every report is as long as the report byte lengths below.
//
// Thread contract: used by one thread at a time (the HID manager thread); a simulated
// device may be manipulated by tests from other threads.
class HidDevice {
public:
    virtual ~HidDevice() = default;

    // Never blocks. Copies one waiting input report and returns its length, 0 when none
    // is waiting, -1 when the device failed (unplugged).
    virtual int readReport(uint8_t* buffer, size_t length) = 0;
    // Blocks until the device has taken the report. Returns the bytes written or -1.
    virtual int writeReport(const uint8_t* buffer, size_t length) = 0;
    // Report byte lengths with the report id byte counted, as read from the device's
    // report descriptor; 0 when it has no such report or the descriptor was unreadable.
    virtual size_t inputReportLength() const = 0;
    virtual size_t outputReportLength() const = 0;
};

} // namespace vorlane
