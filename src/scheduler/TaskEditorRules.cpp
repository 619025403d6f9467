#include "scheduler/TaskEditorRules.h"

#include "scheduler/TaskTimes.h"

#include <cstdio>
#include <optional>
#include <strings.h>

namespace vorlane {

namespace {
constexpr int kDay = 1440;
constexpr int kWeek = 7 * kDay;

// Monday-first bit of a Sunday-first weekday.
int weekdayBit(int weekday) {
    return weekday == 0 ? 6 : weekday - 1;
}

// Days since 1970-01-01 of a date of the Gregorian calendar.
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Minutes since 1970-01-01 00:00 of a task time, by the calendar alone.
std::optional<int64_t> calendarMinutes(const std::string& taskTime) {
    const auto t = TaskTimes::ParseMinuteText(taskTime);
    if (!t)
        return std::nullopt;
    return daysFromCivil(t->year, t->month, t->day) * kDay + t->hour * 60 + t->minute;
}

// When a task runs: a single task once, from its start for its length; a repeat task on
// each of its weekdays at its time of day. Ends are not part of the time, so a task that
// starts where another ends does not overlap it.
struct Occupancy {
    bool repeats = false;
    int startOfDay = 0;
    int length = kDay;    // 1 .. 1440 minutes
    uint8_t weekdays = 0; // of the starts, bit 0 Monday
    std::optional<int64_t> start;
    std::optional<int64_t> end;
};

Occupancy occupancyOf(const std::string& startText, const std::string& endText, bool repeats,
                      uint8_t weekdays, int startWeekday) {
    Occupancy o;
    o.repeats = repeats;
    const auto s = TaskTimes::ParseHourMinute(startText);
    const auto e = TaskTimes::ParseHourMinute(endText);
    o.startOfDay = s ? s->first * 60 + s->second : 0;
    const int endOfDay = e ? e->first * 60 + e->second : 0;
    // An end not later in the day lies on the next day; equal times are a whole day.
    o.length = endOfDay > o.startOfDay ? endOfDay - o.startOfDay : endOfDay - o.startOfDay + kDay;
    o.weekdays = repeats ? weekdays : uint8_t(1u << weekdayBit(startWeekday));
    if (!repeats) {
        o.start = calendarMinutes(startText);
        if (o.start) {
            const auto end = calendarMinutes(endText);
            o.end = end && *end > *o.start ? *end : *o.start + o.length;
        }
    }
    return o;
}

// Whether some start of `a` and some start of `b` give intervals that share a minute,
// with both laid on the week (a single task on the weekday of its start).
bool overlapInTheWeek(const Occupancy& a, const Occupancy& b) {
    for (int i = 0; i < 7; ++i) {
        if (!((a.weekdays >> i) & 1))
            continue;
        const int aStart = i * kDay + a.startOfDay;
        for (int j = 0; j < 7; ++j) {
            if (!((b.weekdays >> j) & 1))
                continue;
            const int bStart = j * kDay + b.startOfDay;
            // A task may run on past Sunday into Monday: the week before and after too.
            for (int shift : {-kWeek, 0, kWeek})
                if (aStart < bStart + shift + b.length && bStart + shift < aStart + a.length)
                    return true;
        }
    }
    return false;
}
} // namespace

LocalTime TaskEditorRules::ProposedEnd(const LocalTime& now) {
    return TaskTimes::NextHour(now);
}

LocalTime TaskEditorRules::EndDate(const LocalTime& startDate, int startHour, int startMinute,
                                   int endHour, int endMinute) {
    const bool later = endHour > startHour || (endHour == startHour && endMinute > startMinute);
    return later ? startDate : TaskTimes::NextDay(startDate);
}

bool TaskEditorRules::InOrder(const Draft& draft) {
    return ::strcasecmp(draft.startText.c_str(), draft.endText.c_str()) < 0;
}

bool TaskEditorRules::Overlaps(const Draft& draft, const Task& row) {
    const Occupancy fresh = occupancyOf(draft.startText, draft.endText, draft.repeat,
                                        draft.weekdays, draft.startWeekday);
    const Occupancy stored =
        occupancyOf(row.startTime, row.endTime, row.repeats, row.weekdayMask(), row.dayOfWeek);
    if (!fresh.repeats && !stored.repeats) {
        // Two single tasks: their real times. A time that cannot be read places the task
        // nowhere, so it stands in no other task's way.
        if (!fresh.start || !stored.start)
            return false;
        return *fresh.start < *stored.end && *stored.start < *fresh.end;
    }
    return overlapInTheWeek(fresh, stored);
}

bool TaskEditorRules::Overlaps(const Draft& draft, const std::vector<Task>& stored) {
    for (const Task& row : stored)
        if (Overlaps(draft, row))
            return true;
    return false;
}

std::string TaskEditorRules::EditMarker(const LocalTime& now, int random) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%d%d%d%d%d%d%d%d", now.year, now.month, now.day, now.weekday,
                  now.hour, now.minute, now.second, random);
    return buf;
}

} // namespace vorlane
