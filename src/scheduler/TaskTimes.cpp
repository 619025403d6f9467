#include "scheduler/TaskTimes.h"

#include <cstdio>
#include <ctime>

namespace vorlane {

bool TaskTimes::IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int TaskTimes::DaysInMonth(int year, int month) {
    switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return IsLeapYear(year) ? 29 : 28;
    default:
        return 31;
    }
}

LocalTime TaskTimes::NextDay(const LocalTime& t) {
    LocalTime n = t;
    n.weekday = (t.weekday + 1) % 7;
    if (++n.day > DaysInMonth(n.year, n.month)) {
        n.day = 1;
        if (++n.month > 12) {
            n.month = 1;
            ++n.year;
        }
    }
    return n;
}

namespace {
// One more of a unit that runs from 0 to limit - 1; at the limit it starts again and the
// next larger unit goes on.
LocalTime step(LocalTime n, int LocalTime::*unit, int limit, LocalTime (*carry)(const LocalTime&)) {
    if (++(n.*unit) < limit)
        return n;
    n.*unit = 0;
    return carry(n);
}
} // namespace

LocalTime TaskTimes::NextHour(const LocalTime& t) {
    return step(t, &LocalTime::hour, 24, NextDay);
}

LocalTime TaskTimes::NextMinute(const LocalTime& t) {
    return step(t, &LocalTime::minute, 60, NextHour);
}

std::string TaskTimes::MinuteText(const LocalTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4d-%.2d-%.2d %.2d:%.2d", t.year, t.month, t.day, t.hour,
                  t.minute);
    return buf;
}

std::string TaskTimes::DateText(const LocalTime& t) {
    return MinuteText(t).substr(0, 10);
}

std::string TaskTimes::HourMinuteText(int hour, int minute) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.2d:%.2d", hour, minute);
    return buf;
}

std::optional<LocalTime> TaskTimes::ParseMinuteText(const std::string& text) {
    LocalTime t;
    char tail = 0;
    // Exactly five numbers in the fixed form; anything after them is not a task time.
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d%c", &t.year, &t.month, &t.day, &t.hour, &t.minute,
                    &tail) != 5)
        return std::nullopt;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month) ||
        t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59)
        return std::nullopt;
    t.second = 0;
    t.weekday = WeekdayOf(t.year, t.month, t.day);
    return t;
}

std::optional<std::pair<int, int>> TaskTimes::ParseHourMinute(const std::string& taskTime) {
    if (taskTime.size() < 16)
        return std::nullopt;
    int hour = 0, minute = 0;
    if (std::sscanf(taskTime.substr(11, 5).c_str(), "%d:%d", &hour, &minute) != 2)
        return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59)
        return std::nullopt;
    return std::make_pair(hour, minute);
}

std::optional<int64_t> TaskTimes::CalendarSeconds(const LocalTime& t) {
    // The daylight-saving flag is left to the library: a forced "no daylight saving" puts
    // summer times an hour off.
    std::tm tm = ToTm(t);
    const std::time_t s = std::mktime(&tm);
    if (s == std::time_t(-1) && !(t.year == 1969 || t.year == 1970))
        return std::nullopt;
    return int64_t(s);
}

LocalTime TaskTimes::FromCalendarSeconds(int64_t seconds) {
    const std::time_t s = std::time_t(seconds);
    std::tm tm{};
    localtime_r(&s, &tm);
    return FromTm(tm);
}

int TaskTimes::WeekdayOf(int year, int month, int day) {
    // Sakamoto's method.
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        --year;
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

} // namespace vorlane
