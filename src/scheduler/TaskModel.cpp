#include "scheduler/TaskModel.h"

#include "catalogue/ADORecordset.h"
#include "catalogue/CatalogueStatements.h"
#include "scheduler/TaskTimes.h"

namespace vorlane {

namespace {
const char* const kDayColumns[7] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                    "Friday", "Saturday", "Sunday"};

// Monday-first index of a Sunday-first weekday.
int mondayIndex(int weekday) {
    return weekday == 0 ? 6 : weekday - 1;
}
} // namespace

uint8_t Task::weekdayMask() const {
    uint8_t mask = 0;
    for (int k = 0; k < 7; ++k)
        if (days[size_t(k)])
            mask |= uint8_t(1u << k);
    return mask;
}

bool Task::runsOnWeekday(int weekday) const {
    return weekday >= 0 && weekday <= 6 && days[size_t(mondayIndex(weekday))];
}

Task Task::FromRow(ADORecordset& row) {
    Task t;
    t.startTime = row.GetText("StartTime");
    t.endTime = row.GetText("EndTime");
    t.dayOfWeek = row.GetInt("DayOfWeek");
    t.fileName = row.GetText("FileName");
    t.repeats = row.GetInt("Repeats") != 0;
    for (int k = 0; k < 7; ++k)
        t.days[size_t(k)] = row.GetInt(kDayColumns[k]) != 0;
    t.test = row.GetText("Test");
    return t;
}

void Task::ToRow(ADORecordset& row) const {
    row.PutText("StartTime", startTime);
    row.PutText("EndTime", endTime);
    row.PutInt("DayOfWeek", dayOfWeek);
    row.PutText("Test", test);
    row.PutText("FileName", fileName);
    row.PutInt("Repeats", repeats ? 1 : 0);
    for (int k = 0; k < 7; ++k)
        row.PutInt(kDayColumns[k], days[size_t(k)] ? 1 : 0);
}

std::optional<Task> TaskModel::TaskDueAt(const LocalTime& t) const {
    ADORecordset rs;
    if (rs.Open(catalogue_, CatalogueStatements::singleTasksAt(TaskTimes::MinuteText(t))) &&
        !rs.IsBOF())
        return Task::FromRow(rs);
    if (rs.Open(catalogue_, CatalogueStatements::repeatTasksAt(
                                TaskTimes::HourMinuteText(t.hour, t.minute), t.weekday)) &&
        !rs.IsBOF())
        return Task::FromRow(rs);
    return std::nullopt;
}

bool TaskModel::IsTaskDueAt(const LocalTime& t) const {
    return TaskDueAt(t).has_value();
}

int32_t TaskModel::NextTaskSeconds() const {
    int64_t result = kNoTask;
    LocalTime now = Clock::current().localTime();
    const std::optional<int64_t> nowSeconds = TaskTimes::CalendarSeconds(now);
    if (!nowSeconds)
        return kNoTask;

    ADORecordset rs;
    if (rs.Open(catalogue_, CatalogueStatements::singleTasksAfter(TaskTimes::MinuteText(now))) &&
        !rs.IsBOF()) {
        rs.MoveFirst();
        // Only the earliest row counts.
        if (auto start = TaskTimes::ParseMinuteText(rs.GetText("StartTime")))
            if (auto t = TaskTimes::CalendarSeconds(*start); t && *t > *nowSeconds)
                result = *t - *nowSeconds;
    }

    if (rs.Open(catalogue_, CatalogueStatements::repeatTasks())) {
        const std::string nowHhmm = TaskTimes::HourMinuteText(now.hour, now.minute);
        for (; !rs.IsBOF() && !rs.IsEOF(); rs.MoveNext()) {
            const Task task = Task::FromRow(rs);
            const auto hm = TaskTimes::ParseHourMinute(task.startTime);
            if (!hm)
                continue;
            const bool anyDay = task.weekdayMask() != 0;
            int offset = 0;
            if (!(anyDay && task.runsOnWeekday(now.weekday) &&
                  TaskTimes::HourMinuteText(hm->first, hm->second) > nowHhmm)) {
                // The nearest following day of the task; a task without days takes Sunday.
                offset = 7;
                for (int d = 1; d <= 7; ++d) {
                    const int wd = (now.weekday + d) % 7;
                    if (anyDay ? task.runsOnWeekday(wd) : wd == 0) {
                        offset = d;
                        break;
                    }
                }
            }
            LocalTime candidate = now;
            for (int d = 0; d < offset; ++d)
                candidate = TaskTimes::NextDay(candidate);
            candidate.hour = hm->first;
            candidate.minute = hm->second;
            candidate.second = 0;
            if (auto c = TaskTimes::CalendarSeconds(candidate)) {
                const int64_t diff = *c - *nowSeconds;
                if (diff > 0 && diff < result)
                    result = diff;
            }
        }
    }
    return int32_t(result);
}

bool TaskModel::AnyTaskAhead() const {
    const LocalTime now = Clock::current().localTime();
    ADORecordset rs;
    // A task of the current minute counts: it may start just after the recording whose end
    // asks this.
    const bool singlesRead =
        rs.Open(catalogue_, CatalogueStatements::singleTasksFrom(TaskTimes::MinuteText(now)));
    if (singlesRead && !rs.IsBOF())
        return true;
    const bool repeatsRead = rs.Open(catalogue_, CatalogueStatements::repeatTasks());
    if (repeatsRead && !rs.IsBOF())
        return true;
    // A table that cannot be read counts as holding a task: the computer stays on.
    return !(singlesRead && repeatsRead);
}

LocalTime TaskModel::OccurrenceEnd(const Task& task, const LocalTime& start) {
    LocalTime end = start;
    end.second = 0;
    const auto startHm = TaskTimes::ParseHourMinute(task.startTime);
    const auto endHm = TaskTimes::ParseHourMinute(task.endTime);
    if (!startHm || !endHm)
        return TaskTimes::NextHour(end); // cannot happen for a stored task; one hour at most
    end.hour = endHm->first;
    end.minute = endHm->second;
    if (*endHm <= *startHm)
        end = TaskTimes::NextDay(end);
    return end;
}

} // namespace vorlane
