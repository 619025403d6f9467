// Input reports as a device delivers them, through the report transport and the reply
// matching of both report variants.
#include "device/HidDevice.h"
#include "device/LCUSBSocket.h"
#include "device/USBTEL_COMM_T.h"
#include "device/USBTEL_COMM_TSS.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

using namespace vorlane;

namespace {

// A device that answers reads with the fuzz input: one length byte, then that many bytes
// (more than the caller's buffer is cut, as the hidraw driver does).
class FuzzDevice : public HidDevice {
public:
    FuzzDevice(const uint8_t* data, size_t size, size_t reportLength)
        : data_(data), size_(size), length_(reportLength) {}
    int readReport(uint8_t* buffer, size_t length) override {
        if (at_ >= size_)
            return -1; // unplugged
        size_t n = data_[at_++];
        n = std::min(n, size_ - at_);
        const size_t copied = std::min(n, length);
        std::memcpy(buffer, data_ + at_, copied);
        at_ += n;
        return int(copied);
    }
    int writeReport(const uint8_t*, size_t length) override { return int(length); }
    size_t inputReportLength() const override { return length_; }
    size_t outputReportLength() const override { return length_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t length_;
    size_t at_ = 0;
};

template <class Comm> void run(const uint8_t* data, size_t size) {
    LCUSBSocket<Comm> socket;
    std::unique_ptr<HidDevice> device =
        std::make_unique<FuzzDevice>(data, size, Comm::ReportLength);
    if (!socket.Attach(device))
        __builtin_trap();
    typename Comm::Payload request = Comm::Simple(0x5A, 1);
    Comm::SetParameter(request, 0x0102);
    socket.WriteReport(request);
    typename Comm::Payload expected{};
    Comm::PresetReply(expected, request);
    typename Comm::Payload got{};
    for (int polls = 0; polls < 4096; ++polls) {
        const int n = socket.ReadPending(got);
        if (n < 0)
            break;
        if (n > 0 && size_t(n) != Comm::PayloadSize)
            __builtin_trap();
        if (n > 0 && Comm::Matches(got, expected) &&
            Comm::Parameter(got) != Comm::Parameter(expected))
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    run<USBTEL_COMM_T<16>>(data, size);
    run<USBTEL_COMM_TSS<4>>(data, size);
    return 0;
}
