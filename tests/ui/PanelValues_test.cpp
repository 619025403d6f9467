#include "ui/PanelValues.h"

#include <gtest/gtest.h>

#include <climits>

using vorlane::PanelValues;

TEST(PanelValues, LeadingNumberReadsTheDigitsATypedFieldStartsWith) {
    const struct {
        const char* text;
        int number;
    } cases[] = {
        {"12", 12},
        {"007", 7},
        {"", 0},
        {"abc", 0},
        {"  42", 42},
        {"42abc", 42},
        {"4 2", 4},
        {"-5", 0},
        {"2147483647", INT_MAX},
        {"99999999999999", INT_MAX},
        {"1000", 1000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PanelValues::LeadingNumber(c.text), c.number) << '"' << c.text << '"';
}

TEST(PanelValues, DivisionSecondsShowAsATimeOfDayWithinOneDay) {
    using T = PanelValues::TimeOfDay;
    const struct {
        int seconds;
        T time;
    } cases[] = {
        {0, {0, 0, 0}},        {2, {0, 0, 2}},          {600, {0, 10, 0}},
        {1800, {0, 30, 0}},    {3723, {1, 2, 3}},       {86399, {23, 59, 59}},
        {86400, {23, 59, 59}}, {1000000, {23, 59, 59}}, {-30, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PanelValues::TimeOfDayFromSeconds(c.seconds), c.time) << c.seconds;
        if (c.seconds >= 0 && c.seconds < 86400) {
            EXPECT_EQ(PanelValues::SecondsFromTimeOfDay(c.time), c.seconds);
        }
    }
}
