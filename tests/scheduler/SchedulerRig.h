#pragma once

#include "LogWindow.h"
#include "ScopedEnv.h"
#include "TestProgramFolder.h"
#include "catalogue/ADOConnection.h"
#include "catalogue/ADORecordset.h"
#include "catalogue/CatalogueOpener.h"
#include "catalogue/CatalogueStatements.h"
#include "config/ConfigManger.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "scheduler/FakePowerBackend.h"
#include "scheduler/TaskModel.h"
#include "scheduler/TaskScheduler.h"
#include "scheduler/TaskTimes.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vorlane::test {

inline LocalTime at(int y, int mo, int d, int h, int mi, int s = 0) {
    return {y, mo, d, h, mi, s, 0, TaskTimes::WeekdayOf(y, mo, d)};
}

// Weekday masks of a repeat task, Monday in bit 0.
constexpr uint8_t kMon = 1, kTue = 2, kFri = 16, kSun = 64, kEveryDay = 127;

// A task as the task list stores it.
inline Task makeTask(const std::string& start, const std::string& end, bool repeats = false,
                     uint8_t days = 0, const std::string& fileName = "") {
    const auto s = TaskTimes::ParseMinuteText(start);
    Task t{start, end, s ? s->weekday : 0, fileName, repeats, {}, ""};
    for (int k = 0; k < 7; ++k)
        t.days[size_t(k)] = (days >> k) & 1;
    return t;
}

inline void storeTask(ADOConnection& db, const Task& t) {
    ADORecordset rs;
    ASSERT_TRUE(rs.Open(db, CatalogueStatements::tasksLatestFirst()));
    rs.AddNew();
    t.ToRow(rs);
    ASSERT_TRUE(rs.Update()) << rs.LastError();
}

// The panel: what the scheduler posts to it, each message handed out once.
class MessageLog : public LogWindow {
public:
    MessageLog() { create(); }

    std::vector<Message> take() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        const std::vector<Message> all = log();
        std::vector<Message> out;
        for (size_t i = taken_; i < all.size(); ++i)
            if (all[i].msg != msg::Create)
                out.push_back(all[i]);
        taken_ = all.size();
        return out;
    }

private:
    size_t taken_ = 0;
};

// A real catalogue file in a private program folder, a fake clock, the fake power back
// end, and a scheduler whose panel is a message log.
class SchedulerRig : public ::testing::Test {
protected:
    void SetUp() override {
        setZone("UTC0");
        Clock::install(&clock);
        ASSERT_TRUE(CatalogueOpener::open(db, (folder / "tasks.mdb").string()).opened);
        hooks.stopThreads = [this] { ++threadStops; };
        hooks.startThreads = [this] { ++threadStarts; };
        hooks.showSchedulerMode = [this](bool on) { panelSchedulerMode = on; };
        hooks.reloadTagDefaults = [this] { ++tagReloads; };
        hooks.recording = [this] { return recording; };
        hooks.tellUser = [this](const std::string& text) { told.push_back(text); };
        hooks.wakeUnavailable = [this] { wakeNotices.push_back(panelSchedulerMode); };
    }
    void TearDown() override {
        scheduler.reset();
        Clock::install(nullptr);
    }

    static void setZone(const std::string& tz) {
        ::setenv("TZ", tz.c_str(), 1);
        ::tzset();
    }

    TaskScheduler& make() {
        scheduler = std::make_unique<TaskScheduler>(db, config, power, panel.handle(), hooks);
        return *scheduler;
    }

    void addTask(const std::string& start, const std::string& end, bool repeats = false,
                 uint8_t days = 0, const std::string& fileName = "") {
        storeTask(db, makeTask(start, end, repeats, days, fileName));
    }

    // Starts again with an empty task table.
    void dropTasks() {
        db.Close();
        std::filesystem::remove(folder / "tasks.mdb");
        ASSERT_TRUE(CatalogueOpener::open(db, (folder / "tasks.mdb").string()).opened);
    }

    // Runs the check timer once a second from `from` for `seconds`; the time of the tick
    // at which scheduler mode was left, or nullopt.
    std::optional<LocalTime> tickUntilFired(const LocalTime& from, int seconds) {
        clock.setLocalTime(from);
        for (int i = 0; i < seconds; ++i) {
            scheduler->SchedulerTick();
            if (!scheduler->schedulerMode())
                return clock.localTime();
            clock.advance(1000);
        }
        return std::nullopt;
    }

    TestProgramFolder folder;
    ADOConnection db;
    FakeClock clock;
    ConfigManger config;
    FakePowerBackend power;
    MessageLog panel;
    SchedulerHooks hooks;
    std::unique_ptr<TaskScheduler> scheduler;
    int threadStops = 0, threadStarts = 0, tagReloads = 0;
    bool panelSchedulerMode = false;
    bool recording = false;
    std::vector<std::string> told; // notes shown to the user
    // Each desktop notice of a wake-up that cannot be armed: whether the panel already
    // waited in scheduler mode.
    std::vector<bool> wakeNotices;

private:
    // In this order, so that the zone is read again once the old TZ is back.
    struct ZoneReset {
        ~ZoneReset() { ::tzset(); }
    } zoneReset_;
    ScopedEnv tz_{"TZ", "UTC0"};
};

} // namespace vorlane::test
