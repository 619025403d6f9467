#pragma once

#include "platform/Clock.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace vorlane {

class ADOConnection;
class ADORecordset;

// One row of TaskFile.
struct Task {
    std::string startTime; // "yyyy-MM-dd HH:mm"
    std::string endTime;
    int dayOfWeek = 0; // of the start date, 0 Sunday .. 6 Saturday
    std::string fileName;
    bool repeats = false;
    std::array<bool, 7> days{}; // Monday .. Sunday
    std::string test;           // the edit marker

    // Bit 0 Monday .. bit 6 Sunday.
    uint8_t weekdayMask() const;
    bool runsOnWeekday(int weekday) const; // 0 Sunday .. 6 Saturday

    static Task FromRow(ADORecordset& row);
    // Writes every column of the row being edited or added.
    void ToRow(ADORecordset& row) const;
};

// What the engine asks of the task table. Every time comes from Clock::current().
// A statement that cannot be run answers "no task".
//
// Thread contract: the thread that uses the catalogue connection (the main thread).
class TaskModel {
public:
    // "No task": the largest 32-bit count of seconds.
    static constexpr int32_t kNoTask = 2147483647;

    explicit TaskModel(ADOConnection& catalogue) : catalogue_(catalogue) {}

    // Whether a task starts in the minute of t: a single task at that date and minute, or
    // a repeat task at that time of day on t's weekday.
    bool IsTaskDueAt(const LocalTime& t) const;
    // The task that starts in the minute of t (the earliest single task first).
    std::optional<Task> TaskDueAt(const LocalTime& t) const;
    // Seconds from now to the next task start after the current minute; kNoTask without one.
    int32_t NextTaskSeconds() const;
    // Whether any task is left to start: a single task in the current minute or later, or
    // a repeat task.
    bool AnyTaskAhead() const;
    // The end of an occurrence that starts at `start`: on the start date when its time of
    // day is later, else on the next day.
    static LocalTime OccurrenceEnd(const Task& task, const LocalTime& start);

private:
    ADOConnection& catalogue_;
};

} // namespace vorlane
