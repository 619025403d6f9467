#pragma once

#include "audio/WaveFormat.h"

#include <cstdint>
#include <string>

namespace vorlane {

// Where the monitor copy of the captured sound is played.
//
// Thread contract: open, start, stop and close run on the controlling thread while the
// capture thread is parked; writeBlock runs on the capture thread; setVolume may be
// called from any thread.
class MonitorSink {
public:
    virtual ~MonitorSink() = default;

    // 0 on success, else a negative errno. ringBlocks blocks of blockBytes are buffered.
    virtual int open(const WaveFormat& format, uint32_t blockBytes, uint32_t ringBlocks) = 0;
    // Starts playing `leadBlocks` blocks of silence ahead of the first captured block.
    virtual int start(uint32_t leadBlocks) = 0;
    virtual void stop() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Queues one block without waiting. A failure of the output never stops capture: a
    // sink whose device went away stays quiet until it is opened again.
    virtual void writeBlock(const uint8_t* data, uint32_t bytes) = 0;
    // Hundredths of a decibel: 0 full volume, -10,000 silent.
    virtual void setVolume(int hundredthsDb) = 0;
    virtual int volume() const = 0;
    virtual std::string errorText() const = 0;
};

} // namespace vorlane
