#include "CatalogueQuery.h"
#include "E2eSupport.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "ToneFile.h"
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

namespace fs = std::filesystem;
using namespace vorlane;
using vorlane::test::durationSeconds;
using vorlane::test::filesIn;
using vorlane::test::probe;
using vorlane::test::pumpFor;
using vorlane::test::pumpUntil;

namespace {

// The real program in this process, on a private program folder, with the simulated
// "USB PnP Audio Device", a generated capture file and no sound output.
class RecordingSession : public ::testing::Test {
protected:
    void SetUp() override {
        test::copyGeneratedResources(folder);
        recordFolder = folder.path() / "records";
        // Three tones separated by 3-second silences; the last tone is long enough that
        // the stop comes while it plays.
        test::writeToneWav(folder / "input.wav",
                           {{2, 440}, {3, 0}, {2, 660}, {3, 0}, {8, 880}, {1, 0}});
        test::useSimulatedSession(folder, folder / "input.wav");
    }

    void configure(int fileType) {
        test::writeSettings(folder, "Option",
                            {{"RecordFileType", std::to_string(fileType)},
                             {"RecordFileMP3BitRate", "2"},
                             {"RecordDiviType", "2"},
                             {"RecordMuteSecond", "2"},
                             {"RecordNo", "1"},
                             {"RecordTrack", "1"},
                             {"RecordFilePath", recordFolder.string()}});
        test::writeSettings(folder, "ID3V1Information", {{"MP3Year", "1977"}});
    }

    void typeInto(CRivorAzururuFrame& panel, int id, const QString& text) {
        auto* edit = qobject_cast<QLineEdit*>(panel.control(id));
        ASSERT_NE(edit, nullptr) << "control " << id;
        edit->setText(text);
        edit->editingFinished();
    }

    // Records the three tones with division on silence, then checks files, rows,
    // counters and tags.
    void recordThreeTracks(int fileType, const std::string& extension) {
        configure(fileType);
        Application app;
        ASSERT_EQ(app.start(), Application::StartResult::Running);
        CRivorAzururuFrame& panel = *app.panel();
        RecordingController& controller = panel.controller();
        ASSERT_TRUE(pumpUntil([&] { return controller.DevicePresent(); }, 15000))
            << "the simulated device was never announced";

        typeInto(panel, panel::kTitleEdit, "Side A");
        typeInto(panel, panel::kArtistEdit, "The Testers");

        CRegionBmpBtn* record = panel.button(panel::kRecordStart);
        ASSERT_NE(record, nullptr);
        record->click();
        ASSERT_TRUE(pumpUntil([&] { return controller.Recording(); }, 10000));
        ASSERT_TRUE(pumpUntil(
            [&] { return controller.CurrentFileName().find("Track003") != std::string::npos; },
            25000))
            << "no third track; now " << controller.CurrentFileName();
        // The third file starts inside the second silence; stop while the third tone plays.
        pumpFor(3000);
        panel.button(panel::kRecordStop)->click();
        ASSERT_TRUE(pumpUntil([&] { return !controller.Recording(); }, 10000));
        app.exit();

        std::vector<fs::path> files = filesIn(recordFolder);
        ASSERT_EQ(files.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            std::string name = files[size_t(i)].filename().string();
            EXPECT_EQ(name.rfind("No.01-Track00" + std::to_string(i + 1) + "_", 0), 0u) << name;
            EXPECT_EQ(files[size_t(i)].extension(), extension);
        }

        std::vector<test::RecordingRow> rows = test::recordingRows(folder / "Resource/NewData.mdb");
        ASSERT_EQ(rows.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(rows[i].path, files[i].string());
            EXPECT_EQ(rows[i].title, "Side A");
            EXPECT_EQ(rows[i].artist, "The Testers");
            EXPECT_EQ(rows[i].year, "1977");
            double seconds = std::stod(probe(files[i], "format=duration"));
            EXPECT_NEAR(durationSeconds(rows[i].duration), seconds, 1.5)
                << rows[i].fileName << " row " << rows[i].duration;
        }

        std::string ini = folder.readFile("Configure/Config_LP.ini");
        EXPECT_NE(ini.find("RecordNo=2"), std::string::npos);
        EXPECT_NE(ini.find("RecordTrack=1"), std::string::npos);

        if (fileType != 0) {
            for (size_t i = 0; i < 3; ++i) {
                EXPECT_EQ(probe(files[i], "format_tags=title"), "Side A");
                EXPECT_EQ(probe(files[i], "format_tags=artist"), "The Testers");
            }
        }
    }

    test::TestProgramFolder folder;
    fs::path recordFolder;
};

} // namespace

TEST_F(RecordingSession, WavDividedOnSilence) {
    recordThreeTracks(0, ".wav");
}
TEST_F(RecordingSession, Mp3DividedOnSilence) {
    recordThreeTracks(1, ".mp3");
}
TEST_F(RecordingSession, WmaDividedOnSilence) {
    recordThreeTracks(2, ".wma");
}

TEST_F(RecordingSession, SigtermDuringARecordingLeavesAFinishedCataloguedFile) {
    configure(0);
    Application app;
    ASSERT_EQ(app.start(), Application::StartResult::Running);
    RecordingController& controller = app.panel()->controller();
    ASSERT_TRUE(pumpUntil([&] { return controller.DevicePresent(); }, 15000));
    app.panel()->button(panel::kRecordStart)->click();
    ASSERT_TRUE(pumpUntil([&] { return controller.Recording(); }, 10000));
    pumpFor(1500);
    ::raise(SIGTERM);
    ASSERT_TRUE(pumpUntil([&] { return app.panel() == nullptr; }, 10000));

    std::vector<fs::path> files = filesIn(recordFolder);
    ASSERT_EQ(files.size(), 1u);
    std::vector<test::RecordingRow> rows = test::recordingRows(folder / "Resource/NewData.mdb");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].path, files[0].string());
    double seconds = std::stod(probe(files[0], "format=duration"));
    EXPECT_GT(seconds, 1.0);
    EXPECT_NEAR(durationSeconds(rows[0].duration), seconds, 1.5);
    EXPECT_NE(folder.readFile("Configure/Config_LP.ini").find("RecordNo=2"), std::string::npos);
}
