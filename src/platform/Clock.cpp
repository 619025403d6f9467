#include "Clock.h"

#include <chrono>
#include <ctime>

namespace vorlane {

namespace {
SystemClock g_system;
std::atomic<Clock*> g_installed{nullptr};
} // namespace

LocalTime FromTm(const std::tm& tm, int ms) {
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.millisecond = ms;
    t.weekday = tm.tm_wday;
    return t;
}

std::tm ToTm(const LocalTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    return tm;
}

Clock& Clock::current() {
    Clock* c = g_installed.load(std::memory_order_acquire);
    return c ? *c : g_system;
}

void Clock::install(Clock* clock) {
    g_installed.store(clock, std::memory_order_release);
}

LocalTime SystemClock::localTime() const {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t secs = system_clock::to_time_t(now);
    int ms = int(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm tm{};
    localtime_r(&secs, &tm);
    return FromTm(tm, ms);
}

uint32_t SystemClock::tickCount() const {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

LocalTime FakeClock::localTime() const {
    int64_t ms = epochMs_.load(std::memory_order_relaxed);
    std::time_t secs = std::time_t(ms / 1000);
    std::tm tm{};
    gmtime_r(&secs, &tm);
    return FromTm(tm, int(ms % 1000));
}

void FakeClock::setLocalTime(const LocalTime& t) {
    std::tm tm = ToTm(t);
    epochMs_.store(int64_t(timegm(&tm)) * 1000 + t.millisecond, std::memory_order_relaxed);
}

void FakeClock::advance(uint32_t ms) {
    ticks_.fetch_add(ms, std::memory_order_relaxed);
    epochMs_.fetch_add(ms, std::memory_order_relaxed);
}

} // namespace vorlane
