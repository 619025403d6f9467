#include "audio/NullMonitorSink.h"

namespace vorlane {

int NullMonitorSink::open(const WaveFormat&, uint32_t, uint32_t) {
    open_ = true;
    return 0;
}

int NullMonitorSink::start(uint32_t) {
    blocks_.store(0, std::memory_order_relaxed);
    return 0;
}

// Capture thread.
void NullMonitorSink::writeBlock(const uint8_t*, uint32_t) {
    if (open_)
        blocks_.fetch_add(1, std::memory_order_relaxed);
}

} // namespace vorlane
