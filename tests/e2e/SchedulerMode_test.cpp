#include "CatalogueQuery.h"
#include "E2eSupport.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "app/Application.h"
#include "app/CMainDlg.h"
#include "platform/Messages.h"
#include "recording/RecordingController.h"
#include "scheduler/CTaskSettingDlg.h"
#include "scheduler/TaskModel.h"
#include "scheduler/TaskScheduler.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/CRivorAzururuFrame.h"
#include "ui/PanelLayout.h"
#include "ui/wTrayIcon.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTableWidget>
#include <filesystem>

namespace fs = std::filesystem;
using namespace vorlane;
using namespace vorlane::test;

// The real program in this process: scheduler mode stops the device and capture threads
// and hides the panel; the open command brings all of it back, and it records again.
TEST(SchedulerMode, StopsAndRestartsTheDeviceAndCapture) {
    TestProgramFolder folder;
    const fs::path records = useToneSession(folder, {{2, 440}, {1, 0}});
    ::setenv("VORLANE_POWER", "log", 1);
    writeSettings(folder, "Option", {{"RecordFileType", "0"}});

    Application app;
    ASSERT_EQ(app.start(), Application::StartResult::Running);
    CRivorAzururuFrame& panel = *app.panel();
    RecordingController& controller = panel.controller();
    TaskScheduler& scheduler = *app.scheduler();
    ASSERT_TRUE(pumpUntil([&] { return controller.DevicePresent(); }, 15000));

    // A task later today (or tomorrow), stored as the task list would.
    const QDateTime start = QDateTime::currentDateTime().addSecs(3 * 3600);
    ASSERT_EQ(sqlError(folder / "Resource/NewData.mdb", taskRow(start, start.addSecs(3600), "")),
              "");
    // The task button shows the task list with it.
    panel.button(panel::kTaskButton)->click();
    ASSERT_TRUE(pumpUntil(
        [&] { return panel.toolDialog(CRivorAzururuFrame::ToolDialog::TaskList) != nullptr; },
        2000));
    auto* list =
        dynamic_cast<CTaskSettingDlg*>(panel.toolDialog(CRivorAzururuFrame::ToolDialog::TaskList));
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->list()->rowCount(), 1);

    // The tray's "Scheduler".
    panel.post(msg::Command, cmd::EnterScheduler);
    // The device goes away as its thread stops.
    ASSERT_TRUE(
        pumpUntil([&] { return scheduler.schedulerMode() && !controller.DevicePresent(); }, 10000));
    EXPECT_FALSE(panel.isVisible());
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(panel.tray().state(), wTrayIcon::State::Scheduler);
    EXPECT_EQ(CMainDlg::instance().deviceTypeCode.load(), 0);
    EXPECT_GT(scheduler.secondsToTask(), 3 * 3600 - 180 - 70);

    // The open command leaves the mode; the device comes back and recording works.
    panel.post(msg::Command, cmd::ShowPanel);
    ASSERT_TRUE(pumpUntil([&] { return !scheduler.schedulerMode(); }, 10000));
    EXPECT_TRUE(panel.isVisible());
    ASSERT_TRUE(pumpUntil([&] { return controller.DevicePresent(); }, 15000));
    EXPECT_NE(panel.tray().state(), wTrayIcon::State::Scheduler);
    panel.button(panel::kRecordStart)->click();
    ASSERT_TRUE(pumpUntil([&] { return controller.Recording(); }, 10000));
    pumpFor(1500);
    panel.button(panel::kRecordStop)->click();
    ASSERT_TRUE(pumpUntil([&] { return !controller.Recording(); }, 10000));
    app.exit();

    const auto files = filesIn(records);
    ASSERT_EQ(files.size(), 1u);
    // More than a second of sound arrived after the restart.
    EXPECT_GT(fs::file_size(files[0]), 44100u * 4);
}
