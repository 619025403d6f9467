#include "SchedulerRig.h"
#include "scheduler/LogPowerBackend.h"
#include "scheduler/LogindPowerBackend.h"

#include <tuple>

using namespace vorlane;
using namespace vorlane::test;

namespace {

std::string text(const LocalTime& t) {
    char s[8];
    std::snprintf(s, sizeof s, ":%.2d", t.second);
    return TaskTimes::MinuteText(t) + s;
}
} // namespace

TEST(TaskTimes, LookAheadMinuteCarries) {
    struct Case {
        LocalTime from;
        const char* expected;
        int weekday; // of the expected minute
    };
    const Case cases[] = {
        {at(2026, 12, 31, 23, 59), "2027-01-01 00:00", 5},
        {at(2028, 2, 28, 23, 59), "2028-02-29 00:00", 2},
        {at(2027, 2, 28, 23, 59), "2027-03-01 00:00", 1},
        {at(2100, 2, 28, 23, 59), "2100-03-01 00:00", 1}, // not a leap year
        {at(2000, 2, 28, 23, 59), "2000-02-29 00:00", 2}, // a leap year
        {at(2026, 4, 30, 23, 59), "2026-05-01 00:00", 5},
        {at(2026, 12, 7, 23, 59), "2026-12-08 00:00", 2},
        {at(2026, 12, 7, 10, 59), "2026-12-07 11:00", 1},
    };
    for (const Case& c : cases) {
        const LocalTime next = TaskTimes::NextMinute(c.from);
        EXPECT_EQ(TaskTimes::MinuteText(next), c.expected);
        EXPECT_EQ(next.weekday, c.weekday) << c.expected;
    }
}

TEST(TaskTimes, ParsesOnlyWholeTaskTimes) {
    EXPECT_TRUE(TaskTimes::ParseMinuteText("2026-12-05 17:30"));
    for (const char* bad : {"", "2026-12-05", "2026-13-05 17:30", "2026-02-30 10:00",
                            "2026-12-05 24:00", "x026-12-05 17:30", "2026-12-05 17:30 junk"})
        EXPECT_FALSE(TaskTimes::ParseMinuteText(bad)) << bad;
    EXPECT_FALSE(TaskTimes::ParseHourMinute("2026-12-05"));
}

TEST_F(SchedulerRig, TasksFireTenSecondsBeforeTheirMinute) {
    addTask("2026-12-05 17:30", "2026-12-05 18:00", false, 0, "Radio");
    addTask("2026-12-01 00:00", "2026-12-01 01:00", true, kTue);
    make();
    struct Case {
        LocalTime entered;
        std::optional<std::string> firedAt;
    };
    const Case cases[] = {
        {at(2026, 12, 5, 17, 28, 0), "2026-12-05 17:29:50"},
        {at(2026, 12, 5, 17, 29, 55), "2026-12-05 17:29:55"}, // the first tick
        {at(2026, 12, 5, 17, 30, 5), std::nullopt},           // too late: never
        {at(2026, 12, 7, 23, 58, 0), "2026-12-07 23:59:50"},  // Monday: the repeat at midnight
    };
    for (const Case& c : cases) {
        clock.setLocalTime(c.entered);
        ASSERT_TRUE(scheduler->EnterSchedulerMode());
        EXPECT_TRUE(panelSchedulerMode);
        EXPECT_FALSE(scheduler->taskArmed());
        const auto fired = tickUntilFired(c.entered, 150);
        if (c.firedAt) {
            ASSERT_TRUE(fired) << text(c.entered);
            EXPECT_EQ(text(*fired), *c.firedAt);
            EXPECT_FALSE(panelSchedulerMode);
            // The panel is asked to show itself.
            const auto got = panel.take();
            ASSERT_FALSE(got.empty());
            EXPECT_EQ(got.back().msg, msg::Command);
            EXPECT_EQ(got.back().wParam, cmd::ShowPanel);
        } else {
            EXPECT_FALSE(fired) << text(*fired);
            scheduler->LeaveSchedulerMode();
        }
    }
    EXPECT_EQ(threadStops, 4);
    EXPECT_EQ(threadStarts, 4);
    EXPECT_EQ(tagReloads, 4);
}

TEST_F(SchedulerRig, NextTaskSeconds) {
    make();
    clock.setLocalTime(at(2026, 12, 8, 9, 0));
    EXPECT_EQ(scheduler->model().NextTaskSeconds(), TaskModel::kNoTask);

    addTask("2026-12-07 08:00", "2026-12-07 09:00", true, kMon | kFri);
    struct Case {
        LocalTime now;
        int32_t seconds;
    };
    const Case cases[] = {
        {at(2026, 12, 8, 9, 0), 3 * 86400 - 3600}, // Tuesday 09:00: Friday 08:00
        {at(2026, 12, 11, 7, 0), 3600},            // Friday 07:00: today
        {at(2026, 12, 11, 8, 0), 3 * 86400},       // Friday 08:00: next Monday
        {at(2026, 12, 11, 7, 59, 30), 30},         // seconds count
    };
    for (const Case& c : cases) {
        clock.setLocalTime(c.now);
        EXPECT_EQ(scheduler->model().NextTaskSeconds(), c.seconds) << text(c.now);
    }
    // A single task ahead of the repeat one wins; one in the past does not count.
    addTask("2026-12-11 07:30", "2026-12-11 07:45");
    addTask("2026-12-01 07:30", "2026-12-01 07:45");
    clock.setLocalTime(at(2026, 12, 11, 7, 0));
    EXPECT_EQ(scheduler->model().NextTaskSeconds(), 1800);
}

TEST_F(SchedulerRig, TasksAcrossBothDaylightSavingChanges) {
    setZone("CET-1CEST,M3.5.0,M10.5.0/3"); // central European time
    make();
    // Single tasks the next day at noon: 23 hours in spring, 25 in autumn.
    addTask("2026-03-29 12:00", "2026-03-29 13:00");
    clock.setLocalTime(at(2026, 3, 28, 12, 0));
    EXPECT_EQ(scheduler->model().NextTaskSeconds(), 23 * 3600);
    addTask("2026-10-25 12:00", "2026-10-25 13:00");
    clock.setLocalTime(at(2026, 10, 24, 12, 0));
    EXPECT_EQ(scheduler->model().NextTaskSeconds(), 25 * 3600);
    // In summer time, a task a few hours ahead is exactly that far.
    clock.setLocalTime(at(2026, 7, 1, 6, 0));
    addTask("2026-07-01 09:00", "2026-07-01 10:00");
    EXPECT_EQ(scheduler->model().NextTaskSeconds(), 3 * 3600);
}

TEST_F(SchedulerRig, SuspendArmsTheWakeUp) {
    make();
    struct Case {
        int32_t secondsAhead; // of the next task, beyond the lead time
        int64_t wakesAfter;
    };
    // Lead time 3 minutes; secondsToTask is the time to the task less the lead.
    const Case cases[] = {{4, 20}, {3600, 3600}};
    for (const Case& c : cases) {
        dropTasks();
        const int64_t taskAt = *TaskTimes::CalendarSeconds(at(2026, 12, 5, 11, 10));
        const LocalTime now = TaskTimes::FromCalendarSeconds(taskAt - c.secondsAhead - 180);
        clock.setLocalTime(now);
        addTask("2026-12-05 11:10", "2026-12-05 12:00");
        ASSERT_TRUE(scheduler->EnterSchedulerMode());
        EXPECT_EQ(scheduler->secondsToTask(), c.secondsAhead);
        EXPECT_TRUE(power.watchingSuspend);
        power.Suspend();
        ASSERT_TRUE(power.wakeAt);
        EXPECT_EQ(*power.wakeAt - *TaskTimes::CalendarSeconds(now), c.wakesAfter);
        power.Resume();
        EXPECT_FALSE(power.wakeAt);
        scheduler->LeaveSchedulerMode();
        EXPECT_FALSE(power.watchingSuspend);
    }
}

TEST_F(SchedulerRig, ResumeRecountsAndRefusesSleepNearATask) {
    make();
    struct Case {
        int taskInSeconds;
        int32_t secondsToTask;
    };
    const Case cases[] = {{100, 5}, {200, 20}};
    for (const Case& c : cases) {
        dropTasks();
        // Asleep with a task far ahead.
        clock.setLocalTime(at(2026, 12, 5, 10, 0));
        addTask("2026-12-05 20:00", "2026-12-05 21:00");
        ASSERT_TRUE(scheduler->EnterSchedulerMode());
        EXPECT_FALSE(scheduler->OnPowerBroadcast(TaskScheduler::PowerEvent::QuerySuspend));
        EXPECT_FALSE(power.sleepBlocked);
        power.Suspend();
        // Woken (at 20:00 less the lead time) with the task c.taskInSeconds away.
        const int64_t task = *TaskTimes::CalendarSeconds(at(2026, 12, 5, 20, 0));
        clock.setLocalTime(TaskTimes::FromCalendarSeconds(task - c.taskInSeconds));
        power.Resume();
        EXPECT_EQ(scheduler->secondsToTask(), c.secondsToTask);
        EXPECT_TRUE(scheduler->taskImminent());
        EXPECT_TRUE(scheduler->OnPowerBroadcast(TaskScheduler::PowerEvent::QuerySuspend));
        EXPECT_TRUE(power.sleepBlocked);
        scheduler->LeaveSchedulerMode();
        EXPECT_FALSE(power.sleepBlocked);
    }
    // Outside scheduler mode every request is granted and nothing is armed.
    EXPECT_FALSE(scheduler->OnPowerBroadcast(TaskScheduler::PowerEvent::QuerySuspend));
    power.watchingSuspend = true;
    power.Suspend();
    EXPECT_FALSE(power.wakeAt);
}

TEST_F(SchedulerRig, WithoutAWakeUpTheUserIsToldOnceAndSleepIsRefusedNearATask) {
    power.wakeAvailable = false;
    addTask("2026-12-05 12:00", "2026-12-05 13:00");
    make();
    ASSERT_TRUE(scheduler->Start());
    clock.setLocalTime(at(2026, 12, 5, 10, 0));
    ASSERT_TRUE(scheduler->EnterSchedulerMode());
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("\"Waking the computer for a scheduled recording\""), std::string::npos)
        << told[0];
    scheduler->LeaveSchedulerMode();
    ASSERT_TRUE(scheduler->EnterSchedulerMode());
    scheduler->LeaveSchedulerMode();
    EXPECT_EQ(told.size(), 1u);
    // The desktop hears of it once too, with the panel already hidden for the mode.
    EXPECT_EQ(wakeNotices, std::vector<bool>{true});

    // With the panel up as well: sleep is refused from 30 s before the moment the wake-up
    // would have come (3 minutes ahead) until the task starts.
    struct Case {
        LocalTime now;
        bool refused;
    };
    const Case cases[] = {
        {at(2026, 12, 5, 11, 56, 29), false}, {at(2026, 12, 5, 11, 56, 31), true},
        {at(2026, 12, 5, 11, 59, 59), true},  {at(2026, 12, 5, 12, 0, 0), false},
        {at(2026, 12, 5, 11, 58, 0), true},
    };
    for (const Case& c : cases) {
        clock.setLocalTime(c.now);
        scheduler->RunnerTick();
        EXPECT_EQ(power.sleepBlocked, c.refused) << text(c.now);
    }
    // Scheduler mode keeps the lock; leaving it far from the task lets go.
    ASSERT_TRUE(scheduler->EnterSchedulerMode());
    EXPECT_TRUE(power.sleepBlocked);
    scheduler->LeaveSchedulerMode();
    EXPECT_TRUE(power.sleepBlocked);
    clock.setLocalTime(at(2026, 12, 5, 13, 0));
    scheduler->RunnerTick();
    EXPECT_FALSE(power.sleepBlocked);
    EXPECT_EQ(told.size(), 1u);
}

TEST_F(SchedulerRig, AWakeUpThatFailsAtTheSuspendIsToldOnceAndAWorkingOneNever) {
    addTask("2026-12-05 12:00", "2026-12-05 13:00");
    make();
    ASSERT_TRUE(scheduler->Start());
    clock.setLocalTime(at(2026, 12, 5, 11, 58, 0));
    // A working wake-up: near a task outside scheduler mode the machine sleeps as it would
    // without the program; nothing is said.
    scheduler->RunnerTick();
    EXPECT_FALSE(power.sleepBlocked);
    clock.setLocalTime(at(2026, 12, 5, 10, 0));
    ASSERT_TRUE(scheduler->EnterSchedulerMode());
    power.Suspend();
    power.Resume();
    EXPECT_TRUE(told.empty());
    // The alarm is refused as the machine goes to sleep.
    power.wakeAvailable = false;
    power.Suspend();
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(wakeNotices, std::vector<bool>{true});
    EXPECT_FALSE(scheduler->wakeAvailable());
    scheduler->LeaveSchedulerMode();
    ASSERT_TRUE(scheduler->EnterSchedulerMode());
    EXPECT_EQ(told.size(), 1u);
    scheduler->LeaveSchedulerMode();
    // Without logind there is nothing to refuse sleep with, and nothing more to say.
    power.available = false;
    told.clear();
    scheduler.reset();
    make();
    ASSERT_TRUE(scheduler->EnterSchedulerMode());
    clock.setLocalTime(at(2026, 12, 5, 11, 58, 0));
    scheduler->RunnerTick();
    EXPECT_TRUE(told.empty());
    EXPECT_FALSE(power.sleepBlocked);
}

TEST_F(SchedulerRig, CountdownTurnsImminentThirtySecondsBeforeTheWakeMoment) {
    addTask("2026-12-05 12:00", "2026-12-05 13:00");
    make();
    clock.setLocalTime(at(2026, 12, 5, 11, 56, 0)); // 240 s ahead, 60 s beyond the lead
    ASSERT_TRUE(scheduler->EnterSchedulerMode());
    EXPECT_EQ(scheduler->secondsToTask(), 60);
    int ticks = 0;
    while (!scheduler->taskImminent() && ticks < 100) {
        clock.advance(1000);
        scheduler->SchedulerTick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 31);
    EXPECT_EQ(power.calls, std::vector<std::string>{"inhibit"});
}

TEST_F(SchedulerRig, NoSchedulerModeWhileRecording) {
    addTask("2026-12-05 12:00", "2026-12-05 13:00");
    make();
    clock.setLocalTime(at(2026, 12, 5, 10, 0));
    recording = true;
    EXPECT_FALSE(scheduler->EnterSchedulerMode());
    scheduler->OnPanelHiddenToTray();
    EXPECT_FALSE(scheduler->schedulerMode());
    recording = false;
    scheduler->OnPanelHiddenToTray();
    EXPECT_TRUE(scheduler->schedulerMode());
    scheduler->LeaveSchedulerMode();
    // Hidden to the tray with nothing ahead: the program just waits in the tray.
    clock.setLocalTime(at(2026, 12, 6, 10, 0));
    scheduler->OnPanelHiddenToTray();
    EXPECT_FALSE(scheduler->schedulerMode());
    EXPECT_EQ(threadStops, 1);
}

TEST_F(SchedulerRig, RunnerStartsAndStopsTheTaskRecording) {
    addTask("2026-12-05 17:30", "2026-12-05 17:32", false, 0, "Evening News");
    make();
    // When each message came, which, and the start's task name.
    std::vector<std::tuple<std::string, uint32_t, uintptr_t, std::string>> seen;
    clock.setLocalTime(at(2026, 12, 5, 17, 29, 0));
    for (int i = 0; i < 200; ++i) {
        scheduler->RunnerTick();
        for (Message& m : panel.take())
            seen.emplace_back(text(clock.localTime()), m.msg, m.wParam,
                              m.wParam == 0 && m.text ? *m.text : "");
        clock.advance(1000);
    }
    EXPECT_EQ(seen,
              (decltype(seen){{"2026-12-05 17:30:00", msg::ScheduledRecording, 0, "Evening News"},
                              {"2026-12-05 17:32:00", msg::ScheduledRecording, 1, ""}}));
}

TEST_F(SchedulerRig, BackToBackTasksBothRecordAndOnlyTheLastPowersOff) {
    addTask("2026-12-05 16:22", "2026-12-05 16:23", false, 0, "First");
    addTask("2026-12-05 16:23", "2026-12-05 16:24", false, 0, "Second");
    config.RecordEndType = 1;
    make();
    // The panel as the program has it: a start makes it record, a stop ends the recording
    // and runs the end action; both only once the message is handled.
    std::vector<std::string> seen;
    clock.setLocalTime(at(2026, 12, 5, 16, 21, 30));
    for (int i = 0; i < 180; ++i) {
        scheduler->RunnerTick();
        for (const Message& m : panel.take()) {
            if (m.msg != msg::ScheduledRecording)
                continue;
            if (m.wParam == 0 && !recording) {
                recording = true;
                seen.push_back(text(clock.localTime()) + " start " + (m.text ? *m.text : ""));
            } else if (m.wParam != 0 && recording) {
                recording = false;
                seen.push_back(text(clock.localTime()) + " stop");
                scheduler->OnScheduledRecordingEnded();
                seen.push_back("power-offs " + std::to_string(power.powerOffs));
            }
        }
        clock.advance(1000);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"2026-12-05 16:22:00 start First",
                                              "2026-12-05 16:23:00 stop", "power-offs 0",
                                              "2026-12-05 16:23:00 start Second",
                                              "2026-12-05 16:24:00 stop", "power-offs 1"}));
}

TEST_F(SchedulerRig, RunnerMakesNoLateOrSecondStarts) {
    addTask("2026-12-05 17:30", "2026-12-05 17:32");
    addTask("2026-12-01 22:00", "2026-12-01 01:00", true, kEveryDay);
    make();
    // Started (or woken) 61 s after the start: nothing.
    clock.setLocalTime(at(2026, 12, 5, 17, 31, 1));
    scheduler->RunnerTick();
    EXPECT_TRUE(panel.take().empty());
    // A start while the user records is skipped for good, and so is its stop.
    recording = true;
    clock.setLocalTime(at(2026, 12, 5, 22, 0, 0));
    scheduler->RunnerTick();
    recording = false;
    for (int i = 0; i < 4 * 3600; i += 30) {
        clock.advance(30000);
        scheduler->RunnerTick();
    }
    EXPECT_TRUE(panel.take().empty());
    // The repeat task across midnight ends the next day.
    clock.setLocalTime(at(2026, 12, 6, 22, 0, 40));
    scheduler->RunnerTick();
    scheduler->RunnerTick();
    auto got = panel.take();
    ASSERT_EQ(got.size(), 1u);
    clock.setLocalTime(at(2026, 12, 6, 23, 59, 59));
    scheduler->RunnerTick();
    EXPECT_TRUE(panel.take().empty());
    clock.setLocalTime(at(2026, 12, 7, 1, 0, 0));
    scheduler->RunnerTick();
    got = panel.take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].wParam, 1u);
}

TEST_F(SchedulerRig, RunnerLeavesSchedulerModeForALateStart) {
    addTask("2026-12-05 17:30", "2026-12-05 17:32");
    make();
    clock.setLocalTime(at(2026, 12, 5, 17, 0));
    ASSERT_TRUE(scheduler->EnterSchedulerMode());
    // The check timer missed the moment (the machine woke at 17:30:20).
    clock.setLocalTime(at(2026, 12, 5, 17, 30, 20));
    scheduler->RunnerTick();
    EXPECT_FALSE(scheduler->schedulerMode());
    EXPECT_EQ(threadStarts, 1);
    const auto got = panel.take();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].msg, msg::ScheduledRecording);
}

TEST_F(SchedulerRig, PowersOffOnlyWhenNoTaskIsLeft) {
    make();
    clock.setLocalTime(at(2026, 12, 5, 18, 0));
    config.RecordEndType = 0;
    scheduler->OnScheduledRecordingEnded();
    EXPECT_EQ(power.powerOffs, 0);

    config.RecordEndType = 1;
    // The single task that has just run keeps its row: the computer goes off all the same.
    addTask("2026-12-05 17:30", "2026-12-05 18:00");
    scheduler->OnScheduledRecordingEnded();
    EXPECT_EQ(power.powerOffs, 1);
    // A single task ahead keeps it on; so does a repeat task.
    addTask("2026-12-06 17:30", "2026-12-06 18:00");
    scheduler->OnScheduledRecordingEnded();
    clock.setLocalTime(at(2026, 12, 7, 18, 0));
    scheduler->OnScheduledRecordingEnded();
    EXPECT_EQ(power.powerOffs, 2);
    // A single task that starts in this very minute is still to come.
    clock.setLocalTime(at(2026, 12, 7, 18, 0, 0));
    addTask("2026-12-07 18:00", "2026-12-07 19:00");
    scheduler->OnScheduledRecordingEnded();
    EXPECT_EQ(power.powerOffs, 2);
    clock.setLocalTime(at(2026, 12, 7, 19, 0));
    scheduler->OnScheduledRecordingEnded();
    EXPECT_EQ(power.powerOffs, 3);
    addTask("2026-12-01 06:00", "2026-12-01 07:00", true, kTue);
    scheduler->OnScheduledRecordingEnded();
    EXPECT_EQ(power.powerOffs, 3);
    // A task table that cannot be read keeps the computer on.
    db.Close();
    scheduler->OnScheduledRecordingEnded();
    EXPECT_EQ(power.powerOffs, 3);
}

TEST_F(SchedulerRig, LogBackendPrintsOneLinePerAction) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    LogPowerBackend log(out);
    log.BlockSleep(true);
    log.BlockSleep(true); // already held: nothing new
    log.BlockSleep(false);
    log.HoldForRecording(true);
    log.HoldForRecording(true);
    log.HoldForRecording(false);
    log.ArmWake(*TaskTimes::CalendarSeconds(at(2026, 12, 5, 10, 3, 20)));
    log.PowerOff();
    std::rewind(out);
    std::string text(4096, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), out));
    std::fclose(out);
    EXPECT_EQ(text, "power: inhibit sleep\n"
                    "power: release sleep\n"
                    "power: inhibit recording\n"
                    "power: release recording\n"
                    "power: wake-at 2026-12-05 10:03:20\n"
                    "power: power-off\n");
}

TEST(LogindPowerBackend, WithoutASystemBusNothingIsAvailable) {
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/vorlane-test-bus", 1);
    LogindPowerBackend power;
    EXPECT_FALSE(power.Available());
    power.BlockSleep(true);
    power.WatchSuspend(true);
    EXPECT_FALSE(power.PowerOff());
    power.WatchSuspend(false);
    power.BlockSleep(false);
}
