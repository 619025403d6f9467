#include "AudioTestSupport.h"
#include "CatalogueQuery.h"
#include "E2eSupport.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "app/Application.h"
#include "recording/RecordingController.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/CRivorAzururuFrame.h"
#include "ui/PanelLayout.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

using namespace vorlane;
using namespace vorlane::test;

namespace {

void typeInto(CRivorAzururuFrame& panel, int id, const QString& text) {
    auto* edit = qobject_cast<QLineEdit*>(panel.control(id));
    ASSERT_NE(edit, nullptr) << "control " << id;
    edit->setText(text);
    edit->editingFinished();
}

} // namespace

// The real program in this process, on a private program folder, with the simulated
// "USB PnP Audio Device", a generated capture file and no sound output. It records three
// tones with division on silence, and a SIGTERM while the third plays finishes that file.
TEST(RecordingSession, DividedOnSilenceAndEndedBySigterm) {
    TestProgramFolder folder;
    // Three tones separated by 3-second silences; the last tone is long enough that the
    // signal comes while it plays.
    const std::filesystem::path records =
        useToneSession(folder, {{2, 440}, {3, 0}, {2, 660}, {3, 0}, {8, 880}, {1, 0}});
    writeSettings(folder, "Option",
                  {{"RecordFileType", "1"},
                   {"RecordFileMP3BitRate", "2"},
                   {"RecordDiviType", "2"},
                   {"RecordMuteSecond", "2"},
                   {"RecordNo", "1"},
                   {"RecordTrack", "1"}});
    writeSettings(folder, "ID3V1Information", {{"MP3Year", "1977"}});

    Application app;
    ASSERT_EQ(app.start(), Application::StartResult::Running);
    CRivorAzururuFrame& panel = *app.panel();
    RecordingController& controller = panel.controller();
    ASSERT_TRUE(pumpUntil([&] { return controller.DevicePresent(); }, 15000))
        << "the simulated device was never announced";
    typeInto(panel, panel::kTitleEdit, "Side A");
    typeInto(panel, panel::kArtistEdit, "The Testers");
    panel.button(panel::kRecordStart)->click();
    ASSERT_TRUE(pumpUntil([&] { return controller.Recording(); }, 10000));
    ASSERT_TRUE(pumpUntil(
        [&] { return controller.CurrentFileName().find("Track003") != std::string::npos; }, 25000))
        << "no third track; now " << controller.CurrentFileName();
    // The third file starts inside the second silence; end while the third tone plays.
    pumpFor(3000);
    ::raise(SIGTERM);
    ASSERT_TRUE(pumpUntil([&] { return app.panel() == nullptr; }, 10000));

    const std::vector<std::filesystem::path> files = filesIn(records);
    ASSERT_EQ(files.size(), 3u);
    const std::vector<RecordingRow> rows = recordingRows(folder / "Resource/NewData.mdb");
    ASSERT_EQ(rows.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const std::string name = files[i].filename().string();
        EXPECT_EQ(name.rfind("No.01-Track00" + std::to_string(i + 1) + "_", 0), 0u) << name;
        EXPECT_EQ(files[i].extension(), ".mp3");
        EXPECT_EQ(rows[i].path, files[i].string());
        EXPECT_EQ(rows[i].title, "Side A");
        EXPECT_EQ(rows[i].artist, "The Testers");
        EXPECT_EQ(rows[i].year, "1977");
        const double seconds = std::stod(Ffprobe(files[i])["duration"]);
        EXPECT_GT(seconds, 1.0) << name;
        EXPECT_NEAR(durationSeconds(rows[i].duration), seconds, 1.5)
            << rows[i].fileName << " row " << rows[i].duration;
        const std::string tags = FfprobeTags(files[i]);
        EXPECT_NE(tags.find("TAG:title=Side A\n"), std::string::npos) << tags;
        EXPECT_NE(tags.find("TAG:artist=The Testers\n"), std::string::npos) << tags;
    }
    EXPECT_EQ(readSetting(folder, "Option", "RecordNo"), "2");
    EXPECT_EQ(readSetting(folder, "Option", "RecordTrack"), "1");
}
