#pragma once

#include "platform/Clock.h"
#include "scheduler/TaskModel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane {

// The task editor's rules, apart from its widgets: the proposed times, the end date that
// follows from start and end, the order check and the overlap check with stored tasks.
class TaskEditorRules {
public:
    // What the editor would store.
    struct Draft {
        std::string startText; // "yyyy-MM-dd HH:mm"
        std::string endText;
        bool repeat = false;
        uint8_t weekdays = 0; // bit 0 Monday .. bit 6 Sunday
        int startWeekday = 0; // 0 Sunday .. 6 Saturday
    };

    // The end proposed for a new task: one hour after `now`.
    static LocalTime ProposedEnd(const LocalTime& now);
    // The end date: the start date when the end time of day is later than the start's,
    // otherwise the day after (so equal times make a 24-hour task).
    static LocalTime EndDate(const LocalTime& startDate, int startHour, int startMinute,
                             int endHour, int endMinute);
    // The start must come before the end.
    static bool InOrder(const Draft& draft);
    // Whether the draft and one of the stored tasks would record at the same time: two
    // single tasks by their dates and times, otherwise laid on the week (a repeat task on
    // each of its weekdays, a single task on the weekday of its start), across midnight
    // and from Sunday into Monday.
    static bool Overlaps(const Draft& draft, const std::vector<Task>& stored);
    // Whether it overlaps this one stored task.
    static bool Overlaps(const Draft& draft, const Task& stored);
    // A marker for the task being changed that no earlier marker equals.
    static std::string EditMarker(const LocalTime& now, int random);
};

} // namespace vorlane
