#include "audio/WakeEvent.h"

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vorlane {

WakeEvent::WakeEvent() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (fd_ < 0)
        throw std::runtime_error("eventfd failed");
}

WakeEvent::~WakeEvent() {
    ::close(fd_);
}

void WakeEvent::signal() {
    uint64_t one = 1;
    // Only fails when the counter would overflow, and then it is signalled anyway.
    [[maybe_unused]] ssize_t n = ::write(fd_, &one, sizeof one);
}

bool WakeEvent::consume() {
    uint64_t value = 0;
    return ::read(fd_, &value, sizeof value) == static_cast<ssize_t>(sizeof value);
}

bool WakeEvent::wait(int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    return r > 0 && consume();
}

bool WakeEvent::waitUntil(std::chrono::steady_clock::time_point deadline) {
    pollfd p{fd_, POLLIN, 0};
    for (;;) {
        auto left = deadline - std::chrono::steady_clock::now();
        if (left <= left.zero())
            return consume();
        auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        int r = ::ppoll(&p, 1, &ts, nullptr);
        if (r > 0)
            return consume();
        if (r < 0 && errno != EINTR)
            return false;
    }
}

} // namespace vorlane
