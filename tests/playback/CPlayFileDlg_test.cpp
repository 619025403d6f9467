#include "PlaybackTestSupport.h"
#include "PumpUntil.h"
#include "SettingsTestSupport.h"
#include "TestProgramFolder.h"
#include "catalogue/ADOConnection.h"
#include "catalogue/ADORecordset.h"
#include "catalogue/CatalogueOpener.h"
#include "catalogue/CatalogueStatements.h"
#include "config/ConfigManger.h"
#include "config/wRegistryKey.h"
#include "platform/Messages.h"
#include "playback/CPlayFileDlg.h"
#include "playback/RecordingPages.h"
#include "ui/CRegionBmpBtn.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTableWidget>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

namespace vorlane::test {
namespace {

namespace fs = std::filesystem;
using Dlg = CPlayFileDlg;

class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        useNullAudioOutput();
        ASSERT_TRUE(CatalogueOpener::open(db, CatalogueOpener::defaultPath()).opened);
        records = folder / "records";
        fs::create_directories(records);

        Dlg::Services services;
        services.panel = panel.handle();
        services.catalogue = &db;
        services.showMessage = [this](const QString& text, const QString& detail) {
            told.push_back(text);
            details.push_back(detail);
        };
        services.askYesNo = [this](const QString& text) {
            asked.push_back(text);
            return answerYes;
        };
        services.chooseSaveFile = [this](const QString& name, const QString&) {
            saveOffered.push_back(name);
            return saveTarget;
        };
        QString error;
        dialog = Dlg::Create(config, std::move(services), nullptr, &error);
        ASSERT_NE(dialog, nullptr) << error.toStdString();
    }

    // Row n is newer than row n - 1. Its file is a short tone in `in`, unless withFile is
    // false.
    fs::path addRecording(int n, bool withFile = true, double seconds = 0.3,
                          const fs::path& in = {}) {
        char start[32], name[64];
        std::snprintf(start, sizeof start, "2026-12-05 %02d:%02d:00", 8 + n / 60, n % 60);
        std::snprintf(name, sizeof name, "No.01-Track%03d.wav", n);
        const fs::path file = (in.empty() ? records : in) / name;
        if (withFile) {
            EXPECT_TRUE(writeTone(file, seconds));
        }
        ADORecordset rs;
        EXPECT_TRUE(rs.Open(db, CatalogueStatements::recordingsForInsert()));
        rs.AddNew();
        rs.PutText("StartTime", start);
        rs.PutText("FileName", name);
        rs.PutText("FileFullPathName", file.string());
        rs.PutText("Duration", "00:00:01");
        EXPECT_TRUE(rs.Update()) << rs.LastError();
        return file;
    }

    int catalogueRows() {
        ADORecordset rs;
        EXPECT_TRUE(rs.Open(db, CatalogueStatements::recordingCount()));
        return rs.GetInt("Total");
    }

    void press(int id) {
        auto* b = qobject_cast<CRegionBmpBtn*>(dialog->control(id));
        ASSERT_NE(b, nullptr) << id;
        b->click();
    }
    bool enabled(int id) { return dialog->control(id)->isEnabled(); }
    QComboBox* pages() { return qobject_cast<QComboBox*>(dialog->control(Dlg::kPage)); }
    QString cell(int row, int column = 0) {
        auto* item = dialog->list()->item(row, column);
        return item ? item->text() : QString();
    }
    // The page shown and the row selected on it.
    std::pair<int, int> place() const { return {dialog->currentPage(), dialog->selectedRow()}; }

    // The monitor mutes and restores the panel was asked for, once that many have arrived.
    std::vector<uintptr_t> monitorMutes(size_t count) {
        pumpUntil([&] { return panel.wParams(msg::MonitorMute).size() >= count; }, 10000);
        return panel.wParams(msg::MonitorMute);
    }

    SettingsHome home;
    const TestProgramFolder& folder = home.home;
    ConfigManger& config = home.config;
    ADOConnection db;
    PanelStub panel{config};
    fs::path records;
    std::unique_ptr<Dlg> dialog;
    std::vector<QString> told, details, asked, saveOffered;
    bool answerYes = true;
    QString saveTarget;
};

TEST_F(BrowserTest, TwentyFiveRecordingsMakeThreePagesThatPreviousAndNextWrapAround) {
    for (int n = 0; n < 25; ++n)
        addRecording(n);
    dialog->show();
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->recordCount(), 25);
    ASSERT_EQ(pages()->count(), 3);
    EXPECT_EQ(pages()->itemText(0), "1");
    EXPECT_EQ(pages()->itemText(2), "3");
    EXPECT_TRUE(pages()->isEnabled());
    EXPECT_FALSE(enabled(Dlg::kPreviousPage));
    EXPECT_TRUE(enabled(Dlg::kNextPage));
    EXPECT_EQ(dialog->list()->rowCount(), 10);
    EXPECT_EQ(cell(0), "No.01-Track024.wav"); // newest first
    EXPECT_EQ(dialog->selectedRow(), 0);

    press(Dlg::kNextPage);
    EXPECT_EQ(dialog->currentPage(), 1);
    EXPECT_EQ(pages()->currentIndex(), 1);
    EXPECT_TRUE(enabled(Dlg::kPreviousPage));
    EXPECT_TRUE(enabled(Dlg::kNextPage));
    pages()->setCurrentIndex(2);
    EXPECT_EQ(dialog->currentPage(), 2);
    EXPECT_EQ(dialog->list()->rowCount(), 5);
    EXPECT_EQ(cell(4), "No.01-Track000.wav");
    EXPECT_TRUE(enabled(Dlg::kPreviousPage));
    EXPECT_FALSE(enabled(Dlg::kNextPage));

    // Previous on the first row of page 1: the last row of the last page.
    pages()->setCurrentIndex(0);
    dialog->selectRow(0);
    press(Dlg::kPreviousRecording);
    EXPECT_EQ(place(), std::pair(2, 4));
    EXPECT_EQ(pages()->currentIndex(), 2);
    // Next from there: the first row of page 1.
    press(Dlg::kNextRecording);
    EXPECT_EQ(place(), std::pair(0, 0));
    // Within and across pages.
    dialog->selectRow(9);
    press(Dlg::kNextRecording);
    EXPECT_EQ(place(), std::pair(1, 0));
    press(Dlg::kPreviousRecording);
    EXPECT_EQ(place(), std::pair(0, 9));
    // Nothing selected: nothing moves.
    dialog->list()->clearSelection();
    press(Dlg::kNextRecording);
    EXPECT_EQ(dialog->currentPage(), 0);

    press(Dlg::kClose);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(pumpUntil([&] { return !panel.wParams(msg::ToolDialogClosed).empty(); }, 10000));
    EXPECT_EQ(panel.wParams(msg::ToolDialogClosed), std::vector<uintptr_t>{1});
}

TEST_F(BrowserTest, PlayingSilencesTheMonitorAndTheEndReturnsToTheStart) {
    addRecording(0, true, 0.6);
    dialog->show();
    press(Dlg::kPlay);
    ASSERT_NE(dialog->graph(), nullptr);
    EXPECT_FALSE(dialog->playLook());
    ASSERT_TRUE(pumpUntil([&] { return dialog->position() > 0; }, 10000)) << "no progress";
    ASSERT_TRUE(pumpUntil([&] { return dialog->playLook(); }, 5000)) << "no end of file";
    EXPECT_EQ(dialog->position(), 0);
    ASSERT_NE(dialog->graph(), nullptr);
    EXPECT_TRUE(dialog->graph()->IsStopped());
    double at = -1;
    ASSERT_TRUE(dialog->graph()->GetCurrentPosition(&at));
    EXPECT_NEAR(at, 0.0, 0.01);
    EXPECT_EQ(monitorMutes(2), (std::vector<uintptr_t>{1, 0}));

    // Play again (the stopped graph is replaced), pause, resume.
    press(Dlg::kPlay);
    ASSERT_TRUE(dialog->graph()->IsRunning());
    press(Dlg::kPlay);
    EXPECT_TRUE(dialog->graph()->IsPaused());
    EXPECT_TRUE(dialog->playLook());
    press(Dlg::kPlay);
    EXPECT_TRUE(dialog->graph()->IsRunning());
    // Hiding stops playback and gives the monitor back.
    dialog->hide();
    EXPECT_EQ(dialog->graph(), nullptr);
    EXPECT_EQ(monitorMutes(5), (std::vector<uintptr_t>{1, 0, 1, 1, 0}));
}

TEST_F(BrowserTest, AnErrorWhilePlayingEndsPlaybackAndIsShown) {
    addRecording(0, true, 3);
    dialog->show();
    press(Dlg::kPlay);
    ASSERT_NE(dialog->graph(), nullptr);
    // The output goes away under the playing file, as a lost sound card would.
    GstElement* graph = dialog->graph()->Graph();
    GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_WRITE,
                                        "the output device is gone");
    gst_element_post_message(graph, gst_message_new_error(GST_OBJECT(graph), error, nullptr));
    g_error_free(error);
    ASSERT_TRUE(pumpUntil([&] { return !told.empty(); }, 10000));
    EXPECT_EQ(told[0], "This recording cannot be played.");
    EXPECT_EQ(details[0], "the output device is gone");
    EXPECT_EQ(dialog->graph(), nullptr);
    EXPECT_TRUE(dialog->playLook());
    EXPECT_EQ(monitorMutes(2), (std::vector<uintptr_t>{1, 0}));
}

TEST_F(BrowserTest, FourPressesOfSpeedPlayTheNextRecordingAtEightTenths) {
    addRecording(0, true, 2);
    dialog->show();
    for (int i = 0; i < 4; ++i)
        press(Dlg::kSpeed);
    EXPECT_EQ(dialog->speedIndex(), 4);
    auto* speed = qobject_cast<CRegionBmpBtn*>(dialog->control(Dlg::kSpeed));
    EXPECT_EQ(speed->caption().value_or(QString()), "x0.8");
    EXPECT_EQ(dialog->graph(), nullptr);
    press(Dlg::kPlay);
    ASSERT_NE(dialog->graph(), nullptr);
    EXPECT_DOUBLE_EQ(dialog->graph()->PlaybackRate(), 0.8);
    // While playing, the next press applies at once.
    press(Dlg::kSpeed);
    EXPECT_DOUBLE_EQ(dialog->graph()->PlaybackRate(), 1.0);
}

TEST_F(BrowserTest, TheVolumeTrackStoresPlayVolumeAndSetsTheGraph) {
    addRecording(0, true, 2);
    dialog->show();
    press(Dlg::kPlay);
    ASSERT_NE(dialog->graph(), nullptr);
    clickAt(dialog.get(), {111, 275});
    EXPECT_EQ(config.PlayVolume.load(), 50);
    long volume = 0;
    ASSERT_TRUE(dialog->graph()->GetAudioVolume(&volume));
    EXPECT_EQ(volume, -2500);
    wRegistryKey key;
    ASSERT_TRUE(key.open(wRegistryKey::Root::CurrentUser, ConfigManger::kRegistryKey));
    EXPECT_EQ(key.readDword("PlayVolume", 0), 50u);
    EXPECT_EQ(dialog->control(Dlg::kVolumeThumb)->x(), 106);

    // A drag beyond the track's end stops at full volume.
    mouse(dialog.get(), QEvent::MouseButtonPress, {90, 275});
    mouse(dialog.get(), QEvent::MouseMove, {400, 275});
    mouse(dialog.get(), QEvent::MouseButtonRelease, {400, 275});
    EXPECT_EQ(key.readDword("PlayVolume", 0), 100u);

    // A click on the position track seeks to its share of the file.
    clickAt(dialog.get(), {155, 295});
    double at = 0;
    ASSERT_TRUE(dialog->graph()->GetCurrentPosition(&at));
    EXPECT_NEAR(at, 1.0, 0.15);
}

TEST_F(BrowserTest, DeletingTheOnlyRecordingOfPageTwoGoesBackToPageOne) {
    for (int n = 0; n < 11; ++n)
        addRecording(n);
    dialog->show();
    press(Dlg::kNextPage);
    ASSERT_EQ(dialog->list()->rowCount(), 1);
    const fs::path oldest = records / "No.01-Track000.wav";
    ASSERT_EQ(dialog->fileOfRow(0), oldest.string());

    answerYes = false;
    press(Dlg::kDelete);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_TRUE(fs::exists(oldest));
    EXPECT_EQ(catalogueRows(), 11);

    answerYes = true;
    press(Dlg::kDelete);
    EXPECT_FALSE(fs::exists(oldest));
    EXPECT_EQ(catalogueRows(), 10);
    EXPECT_EQ(dialog->currentPage(), 0);
    EXPECT_EQ(dialog->pageCount(), 1);
    EXPECT_EQ(pages()->count(), 1);
    EXPECT_FALSE(enabled(Dlg::kNextPage));
}

TEST_F(BrowserTest, DeleteRemovesTheSelectedRowEvenBehindHiddenOnes) {
    // Two newer rows on a disk that is not there hide above the selected ones.
    addRecording(0);
    addRecording(1);
    addRecording(2, false, 0, "/nonexistent-vorlane-disk/records");
    addRecording(3, false, 0, "/nonexistent-vorlane-disk/records");
    dialog->show();
    ASSERT_EQ(dialog->list()->rowCount(), 2);
    dialog->selectRow(1);
    press(Dlg::kDelete);
    EXPECT_FALSE(fs::exists(records / "No.01-Track000.wav"));
    EXPECT_TRUE(fs::exists(records / "No.01-Track001.wav"));
    EXPECT_EQ(catalogueRows(), 3);
    ASSERT_EQ(dialog->list()->rowCount(), 1);
    EXPECT_EQ(cell(0), "No.01-Track001.wav");

    // A file that cannot be deleted keeps its row, and the user is told.
    const fs::path stuck = addRecording(99, false); // the newest
    fs::create_directories(stuck / "inside");
    dialog->Refresh();
    ASSERT_EQ(dialog->fileOfRow(0), stuck.string());
    press(Dlg::kDelete);
    EXPECT_TRUE(fs::exists(stuck));
    EXPECT_EQ(catalogueRows(), 4);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_FALSE(details.back().isEmpty());
}

TEST_F(BrowserTest, GoneFilesLeaveTheCatalogueButUnreachableOnesStay) {
    for (int n = 0; n < 12; ++n)
        addRecording(n);
    addRecording(20, false, 0, "/nonexistent-vorlane-disk/records"); // the newest
    fs::remove(records / "No.01-Track011.wav");
    fs::remove(records / "No.01-Track001.wav");
    dialog->show();
    // Page 1 holds the unreachable row (not shown) and nine more, the dropped row's place
    // taken by the next one.
    ASSERT_EQ(dialog->list()->rowCount(), 9);
    EXPECT_EQ(cell(0), "No.01-Track010.wav");
    EXPECT_EQ(cell(8), "No.01-Track002.wav");
    EXPECT_EQ(catalogueRows(), 12); // the gone one dropped, the unreachable one kept
    EXPECT_EQ(dialog->pageCount(), 2);
    press(Dlg::kNextPage);
    ASSERT_EQ(dialog->list()->rowCount(), 1);
    EXPECT_EQ(cell(0), "No.01-Track000.wav");
    EXPECT_EQ(catalogueRows(), 11);
    ADORecordset kept;
    ASSERT_TRUE(kept.Open(db, CatalogueStatements::recordingsNewestFirstPage(0, 1)));
    EXPECT_EQ(kept.GetText("FileName"), "No.01-Track020.wav");
    EXPECT_EQ(RecordingPages::StateOf(""), RecordingPages::FileState::Unreachable);
}

TEST_F(BrowserTest, AFileThatCannotPlayIsReportedAndNothingStaysSilenced) {
    const fs::path file = addRecording(0);
    addRecording(1); // the newest, which is selected first
    dialog->show();
    dialog->selectRow(1);
    fs::remove(file);
    press(Dlg::kPlay);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], "Render err");
    EXPECT_EQ(dialog->graph(), nullptr);
    EXPECT_TRUE(dialog->playLook());
    EXPECT_EQ(monitorMutes(2), (std::vector<uintptr_t>{1, 0}));

    // A copy of the playable one, with the extension added to the chosen name.
    dialog->selectRow(0);
    saveTarget = QString::fromStdString((folder / "copy").string());
    press(Dlg::kSaveAs);
    EXPECT_EQ(saveOffered.back(), "*.wav");
    EXPECT_EQ(fs::file_size(folder / "copy.wav"), fs::file_size(records / "No.01-Track001.wav"));
}

} // namespace
} // namespace vorlane::test
