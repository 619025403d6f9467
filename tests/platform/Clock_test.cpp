#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vorlane;

TEST(Clock, FakeClockAdvancesTimeAndTicksAcrossMidnightAndWrap) {
    FakeClock c;
    c.setLocalTime({2026, 12, 31, 23, 59, 59, 500});
    c.setTickCount(0xFFFFFF00u);
    c.advance(600);
    const LocalTime n = c.localTime();
    // 2027-01-01 is a Friday.
    EXPECT_EQ(
        (std::vector<int>{n.year, n.month, n.day, n.hour, n.second, n.millisecond, n.weekday}),
        (std::vector<int>{2027, 1, 1, 0, 0, 100, 5}));
    EXPECT_EQ(c.tickCount(), 600u - 0x100u);
}
