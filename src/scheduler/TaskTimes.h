#pragma once

#include "platform/Clock.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vorlane {

// The calendar arithmetic and time texts of scheduled tasks. Task times are texts of the
// fixed-width form "yyyy-MM-dd HH:mm", so text order is time order.
class TaskTimes {
public:
    static bool IsLeapYear(int year);
    // 31; 30 for April, June, September, November; February 28 or 29.
    static int DaysInMonth(int year, int month);
    // The next minute, carrying into hour, day (with the weekday), month and year.
    static LocalTime NextMinute(const LocalTime& t);
    // One hour later, with the same carries.
    static LocalTime NextHour(const LocalTime& t);
    // The next day, carrying into month and year; the weekday moves with it.
    static LocalTime NextDay(const LocalTime& t);

    // "yyyy-MM-dd HH:mm", "yyyy-MM-dd" and "HH:mm".
    static std::string MinuteText(const LocalTime& t);
    static std::string DateText(const LocalTime& t);
    static std::string HourMinuteText(int hour, int minute);
    // Splits "yyyy-MM-dd HH:mm"; nullopt when a field is missing or not a number.
    static std::optional<LocalTime> ParseMinuteText(const std::string& text);
    // Splits the "HH:mm" at position 11 of a task time.
    static std::optional<std::pair<int, int>> ParseHourMinute(const std::string& taskTime);

    // Seconds since the epoch of a local date and time, with the daylight-saving offset
    // that applies at that moment (as the local time zone says); nullopt when the time
    // cannot be represented.
    static std::optional<int64_t> CalendarSeconds(const LocalTime& t);
    // The local date and time of calendar seconds.
    static LocalTime FromCalendarSeconds(int64_t seconds);
    // Weekday of a date, 0 Sunday .. 6 Saturday.
    static int WeekdayOf(int year, int month, int day);
};

} // namespace vorlane
