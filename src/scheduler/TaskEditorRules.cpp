#include "scheduler/TaskEditorRules.h"

#include "scheduler/TaskTimes.h"

#include <cstdio>
#include <strings.h>

namespace vorlane {

namespace {
// Monday-first bit of a Sunday-first weekday.
int weekdayBit(int weekday) {
    return weekday == 0 ? 6 : weekday - 1;
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

int TaskEditorRules::MinutesOfDay(const std::string& taskTime) {
    const auto hm = TaskTimes::ParseHourMinute(taskTime);
    return hm ? hm->first * 60 + hm->second : 0;
}

bool TaskEditorRules::Overlaps(const Draft& draft, const Task& row) {
    const int startMinutes = MinutesOfDay(draft.startText);
    const int endMinutes = MinutesOfDay(draft.endText);
    const int rowStart = MinutesOfDay(row.startTime);
    const int rowEnd = MinutesOfDay(row.endTime);
    int rowLength = rowEnd - rowStart;
    if (rowLength < 0)
        rowLength += 1440;
    const int rowEndAbs = rowStart + rowLength;
    int newLength = endMinutes - startMinutes;
    if (newLength < 0)
        newLength += 1440;
    const int newEndAbs = startMinutes + newLength;

    const bool timesOverlap = startMinutes == rowStart ||
                              (rowStart < startMinutes && startMinutes < rowEndAbs) ||
                              (rowStart < newEndAbs && newEndAbs < rowEndAbs) ||
                              (startMinutes < rowStart && newEndAbs >= rowEndAbs) ||
                              (startMinutes < rowStart && startMinutes + 1440 < rowEndAbs);
    if (!timesOverlap)
        return false;

    if (!row.repeats && !draft.repeat) {
        const std::string rowStartDate = row.startTime.substr(0, 10);
        const std::string rowEndDate = row.endTime.substr(0, 10);
        return rowStartDate <= draft.endText.substr(0, 10) &&
               rowEndDate >= draft.startText.substr(0, 10);
    }
    if (!row.repeats)
        return (draft.weekdays >> weekdayBit(row.dayOfWeek)) & 1;
    if (!draft.repeat)
        return (row.weekdayMask() >> weekdayBit(draft.startWeekday)) & 1;
    return (row.weekdayMask() & draft.weekdays) != 0;
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
