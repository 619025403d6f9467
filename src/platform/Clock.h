#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>

namespace vorlane {

// Broken-down local time, as the recorder names files and compares task times.
struct LocalTime {
    int year = 1970, month = 1, day = 1; // month 1..12
    int hour = 0, minute = 0, second = 0;
    int millisecond = 0;
    int weekday = 4; // 0 Sunday .. 6 Saturday
};

// Conversions between broken-down times; the daylight-saving flag of ToTm is left to the
// library (-1).
LocalTime FromTm(const std::tm& tm, int millisecond = 0);
std::tm ToTm(const LocalTime& t);

// Source of local time and of the millisecond tick count. The system clock serves the
// program; tests install a FakeClock. Safe to call from any thread.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime localTime() const = 0;
    // Milliseconds since an arbitrary start, wrapping at 2^32 like the system tick count.
    virtual uint32_t tickCount() const = 0;

    // The clock in use; the system clock unless a test installed another.
    static Clock& current();
    // Installs a clock (not owned); nullptr restores the system clock.
    static void install(Clock* clock);
};

class SystemClock : public Clock {
public:
    LocalTime localTime() const override;
    uint32_t tickCount() const override;
};

// A clock that moves only when told to. advance() moves both the tick count and
// the local time.
class FakeClock : public Clock {
public:
    LocalTime localTime() const override;
    uint32_t tickCount() const override { return ticks_.load(std::memory_order_relaxed); }

    void setLocalTime(const LocalTime& t);
    void setTickCount(uint32_t ticks) { ticks_.store(ticks, std::memory_order_relaxed); }
    void advance(uint32_t ms);

private:
    std::atomic<uint32_t> ticks_{0};
    std::atomic<int64_t> epochMs_{0}; // local time as milliseconds since 1970 in UTC terms
};

} // namespace vorlane
