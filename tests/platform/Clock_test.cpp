#include "platform/Clock.h"

#include <gtest/gtest.h>

using namespace vorlane;

TEST(Clock, FakeClockAdvancesTimeAndTicksAcrossMidnightAndWrap) {
    FakeClock c;
    LocalTime t;
    t.year = 2026;
    t.month = 12;
    t.day = 31;
    t.hour = 23;
    t.minute = 59;
    t.second = 59;
    t.millisecond = 500;
    c.setLocalTime(t);
    c.setTickCount(0xFFFFFF00u);
    c.advance(600);
    LocalTime n = c.localTime();
    EXPECT_EQ(n.year, 2027);
    EXPECT_EQ(n.month, 1);
    EXPECT_EQ(n.day, 1);
    EXPECT_EQ(n.hour, 0);
    EXPECT_EQ(n.second, 0);
    EXPECT_EQ(n.millisecond, 100);
    EXPECT_EQ(n.weekday, 5); // 2027-01-01 is a Friday
    EXPECT_EQ(c.tickCount(), 600u - 0x100u);
}

TEST(Clock, InstalledClockReplacesTheSystemClock) {
    FakeClock c;
    c.setTickCount(1234);
    Clock::install(&c);
    EXPECT_EQ(Clock::current().tickCount(), 1234u);
    Clock::install(nullptr);
    EXPECT_NE(&Clock::current(), static_cast<Clock*>(&c));
}
