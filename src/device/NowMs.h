#pragma once

#include <chrono>

namespace vorlane {

// Milliseconds of the monotonic clock, with fractions; for pacing and deadlines.
inline double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

} // namespace vorlane
