#pragma once

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <functional>

namespace vorlane::test {

// Runs the calling thread's events until pred holds or ms have passed, asking pred every
// pollMs. A pred that reads another process's files wants a gentler pace than the default:
// a catalogue read every millisecond keeps the program from writing it.
inline bool pumpUntil(const std::function<bool()>& pred, int ms, int pollMs = 1) {
    using std::chrono::steady_clock;
    const auto deadline = steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        const auto now = steady_clock::now();
        if (now >= deadline)
            return false;
        const auto next = std::min(deadline, now + std::chrono::milliseconds(pollMs));
        do {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(1);
        } while (steady_clock::now() < next);
    }
    return true;
}

// Runs the events for ms milliseconds.
inline void pumpFor(int ms) {
    pumpUntil([] { return false; }, ms);
}

// Whole milliseconds since start.
inline long msSince(std::chrono::steady_clock::time_point start) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - start)
                    .count());
}

} // namespace vorlane::test
