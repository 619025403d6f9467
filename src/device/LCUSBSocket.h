#pragma once

#include "device/HidDevice.h"
#include "device/NowMs.h"

#include <algorithm>
#include <array>
#include <memory>

namespace vorlane {

// The report transport of one device: writes that block until the device took the
// report, and reads that never block. A read that found nothing stays "outstanding" and
// the next ReadPending() looks again, so a report that arrives late is still read (and
// then dropped by whoever does not await it).
//
// Thread contract: the HID manager thread.
template <class Comm> class LCUSBSocket {
public:
    using Payload = typename Comm::Payload;
    static constexpr size_t L = Comm::ReportLength;

    virtual ~LCUSBSocket() = default;

    // Takes the device only when its input and output reports are both L bytes long;
    // otherwise dev stays with the caller.
    bool Attach(std::unique_ptr<HidDevice>& dev) {
        if (!dev || dev->inputReportLength() != L || dev->outputReportLength() != L)
            return false;
        out_.fill(0);
        in_.fill(0);
        file_ = std::move(dev);
        return true;
    }

    // Gives the device back (the caller closes it).
    std::unique_ptr<HidDevice> Detach() { return std::move(file_); }

    bool attached() const { return file_ != nullptr; }

    bool WriteReport(const Payload& payload) {
        if (!file_)
            return false;
        Payload p = payload;
        Comm::ToWire(p);
        out_.fill(0);
        std::copy(p.begin(), p.end(), out_.begin() + 1); // byte 0: report id 0
        lastWriteTime = NowMs();
        return file_->writeReport(out_.data(), L) == int(L);
    }

    // > 0: a report was read into payload; 0: nothing (yet); -1: the device failed.
    int ReadPending(Payload& payload) {
        if (!file_)
            return 0;
        int n = file_->readReport(in_.data(), L);
        if (n < 0)
            return -1;
        if (n == 0)
            return 0; // still outstanding
        if (size_t(n) != L)
            return 0; // a short report is taken off the queue and dropped
        lastReadTime = NowMs();
        std::copy(in_.begin() + 1, in_.end(), payload.begin());
        Comm::FromWire(payload);
        return int(L - 1);
    }

    double lastWriteTime = 0;
    double lastReadTime = 0;

protected:
    HidDevice* file() const { return file_.get(); }

private:
    std::array<uint8_t, L> out_{};
    std::array<uint8_t, L> in_{};
    std::unique_ptr<HidDevice> file_;
};

} // namespace vorlane
