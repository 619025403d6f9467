#pragma once

#include "audio/WaveFormat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane {

// One capture device as the device choice sees it. An empty id names the default device.
struct CaptureDevice {
    std::string id;
    std::string description;
};

// Where captured sound comes from: a sound card, or a file that stands in for one.
//
// Thread contract: listDevices, open, start, stop and close run on the controlling thread
// while no readBlock is in progress (the engine parks its capture thread around them).
// readBlock runs on the capture thread. wake may be called from any thread at any time.
class CaptureSource {
public:
    virtual ~CaptureSource() = default;

    virtual std::vector<CaptureDevice> listDevices() = 0;
    // Opens a device (empty id: the default one) for the format, with a period of
    // periodFrames and `periods` periods of buffering. 0 on success, else a negative errno.
    virtual int open(const std::string& id, const WaveFormat& format, uint32_t periodFrames,
                     uint32_t periods) = 0;
    virtual int start() = 0;
    // Stops delivery; buffered sound is dropped.
    virtual void stop() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Waits at most timeoutMs for one whole block of `bytes` bytes. Returns `bytes` and sets
    // `block` to the source's own buffer (valid and writable until the next call), 0 when
    // no block came in time or wake() was called, or a negative errno when the device
    // failed for good. Overruns are recovered inside; the sound they lost is gone.
    virtual int readBlock(uint8_t*& block, uint32_t bytes, int timeoutMs) = 0;
    // Makes a waiting readBlock return 0 at once (or the next one, if none is waiting).
    virtual void wake() = 0;

    // The format that the device delivers, valid after start.
    virtual WaveFormat actualFormat() const = 0;
    // Overruns recovered since open.
    virtual uint32_t overruns() const { return 0; }
    // Text of the last failure, for the user.
    virtual std::string errorText() const = 0;
};

} // namespace vorlane
