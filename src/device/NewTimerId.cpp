#include "device/NewTimerId.h"

#include <atomic>

namespace vorlane {

uint32_t NewTimerId() {
    static std::atomic<uint32_t> next{0x20000};
    return next.fetch_add(1, std::memory_order_relaxed);
}

} // namespace vorlane
