#include "E2eSupport.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "app/Application.h"
#include "playback/CPlayFileDlg.h"
#include "recording/RecordingController.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/CRivorAzururuFrame.h"
#include "ui/PanelLayout.h"

#include <gtest/gtest.h>

#include <QTableWidget>
#include <filesystem>

// GLib gives up its first quark table on purpose once GStreamer's plugins have filled it.
// Stacks of GLib's own allocations end in g_malloc (GLib keeps no frame pointers), so the
// sanitizer build passes over allocations made inside GLib; ours are still checked.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libglib-2.0.so\n";
}

namespace fs = std::filesystem;
using namespace vorlane;
using namespace vorlane::test;

namespace {

class BrowserSession : public ::testing::TestWithParam<int> {};

// The real program in this process with the simulated device: record (WAV, FLAC), then
// open the recordings browser from the panel and play what was just recorded.
TEST_P(BrowserSession, TheMusicButtonShowsAndPlaysTheRecordingJustMade) {
    TestProgramFolder folder;
    const fs::path records = useToneSession(folder, {{6, 440}});
    writeSettings(folder, "Option",
                  {{"RecordFileType", std::to_string(GetParam())}, {"RecordDiviType", "0"}});

    Application app;
    ASSERT_EQ(app.start(), Application::StartResult::Running);
    CRivorAzururuFrame& panel = *app.panel();
    RecordingController& controller = panel.controller();
    ASSERT_TRUE(pumpUntil([&] { return controller.DevicePresent(); }, 15000));
    panel.button(panel::kRecordStart)->click();
    ASSERT_TRUE(pumpUntil([&] { return controller.Recording(); }, 10000));
    pumpFor(2500);
    panel.button(panel::kRecordStop)->click();
    ASSERT_TRUE(pumpUntil([&] { return !controller.Recording(); }, 10000));
    ASSERT_TRUE(fs::exists(records));
    const fs::path recorded = fs::directory_iterator(records)->path();
    EXPECT_EQ(recorded.extension(), GetParam() == 3 ? ".flac" : ".wav");

    panel.button(panel::kPlayFileButton)->click();
    auto* browser =
        qobject_cast<CPlayFileDlg*>(panel.toolDialog(CRivorAzururuFrame::ToolDialog::PlayFile));
    ASSERT_NE(browser, nullptr) << panel.lastError();
    ASSERT_TRUE(browser->isVisible());
    ASSERT_EQ(browser->list()->rowCount(), 1);
    EXPECT_EQ(browser->fileOfRow(0), recorded.string());
    EXPECT_EQ(browser->list()->item(0, 0)->text().toStdString(), recorded.filename().string());

    qobject_cast<CRegionBmpBtn*>(browser->control(CPlayFileDlg::kPlay))->click();
    ASSERT_NE(browser->graph(), nullptr);
    ASSERT_TRUE(pumpUntil([&] { return browser->position() > 0; }, 5000))
        << "the position did not move";
    EXPECT_TRUE(browser->graph()->IsRunning());
    app.exit();
}

INSTANTIATE_TEST_SUITE_P(Formats, BrowserSession, ::testing::Values(0, 3),
                         [](const auto& info) { return std::string(info.param ? "Flac" : "Wav"); });

} // namespace
