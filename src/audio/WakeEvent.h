#pragma once

#include <chrono>

namespace vorlane {

// An event file descriptor that lets another thread interrupt a poll() of the capture
// thread, so that waiting for sound never needs a lock or a busy loop.
// signal() may be called from any thread; the other functions belong to the waiter.
class WakeEvent {
public:
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    int fd() const { return fd_; }
    void signal();
    // Clears the event; true when it had been signalled.
    bool consume();
    // Waits at most timeoutMs (negative: no limit); true when signalled, and then cleared.
    bool wait(int timeoutMs);
    // Waits until the time point; true when signalled before it, and then cleared.
    bool waitUntil(std::chrono::steady_clock::time_point deadline);

private:
    int fd_ = -1;
};

} // namespace vorlane
