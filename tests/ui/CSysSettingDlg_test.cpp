#include "PumpUntil.h"
#include "SettingsTestSupport.h"
#include "config/wAutoRun.h"
#include "config/wRegistryKey.h"
#include "platform/Messages.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/CSysSettingDlg.h"

#include <gtest/gtest.h>

#include <tuple>

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <filesystem>

using namespace vorlane;
using namespace vorlane::test;
namespace fs = std::filesystem;

namespace {

class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(open()); }
    // Makes the dialog anew from the settings as they are now.
    void open() {
        QString error;
        dialog = CSysSettingDlg::Create(s.config, log.services(panel.handle(), s.config), nullptr,
                                        &error);
        ASSERT_TRUE(dialog) << error.toStdString();
        dialog->show();
    }

    template <class T> T* get(int id) {
        auto* w = qobject_cast<T*>(dialog->control(id));
        EXPECT_TRUE(w) << "control " << id;
        return w;
    }
    void click(int id) { get<CRegionBmpBtn>(id)->click(); }
    // What the panel has received once the posted messages are delivered.
    void deliver() { pumpFor(20); }

    SettingsHome s;
    PanelStub panel{s.config};
    ServiceLog log;
    std::unique_ptr<CSysSettingDlg> dialog;
};

std::optional<std::string> registryLanguage() {
    const auto where = wRegistryKey::locate(ConfigManger::kRegistryKey);
    wIniFile ini;
    ini.SetFile(where->file, where->section);
    return ini.ReadValue("LanguageID");
}

} // namespace

TEST_F(SettingsDialog, OpensSkinnedAndFilledFromTheSettings) {
    EXPECT_TRUE(dialog->isSkinned());
    EXPECT_FALSE(dialog->isModal()); // the panel stays usable beside it
    EXPECT_EQ(dialog->title(), "Options");
    // Our English file says what the box does here; the built-in text is the old one.
    EXPECT_EQ(get<QCheckBox>(CSysSettingDlg::kAutoRun)->text(), "Start Vorlane when I log in");
    EXPECT_FALSE(get<QCheckBox>(CSysSettingDlg::kAutoRun)->isChecked());

    QComboBox* language = get<QComboBox>(CSysSettingDlg::kLanguage);
    ASSERT_EQ(language->count(), 4);
    EXPECT_EQ(language->itemText(3), "English");
    EXPECT_EQ(language->currentIndex(), 3);
    EXPECT_EQ(get<QComboBox>(CSysSettingDlg::kFormat)->currentText(), "MP3");
    QComboBox* rate = get<QComboBox>(CSysSettingDlg::kBitRate);
    EXPECT_TRUE(rate->isEnabled());
    ASSERT_EQ(rate->count(), 5);
    EXPECT_EQ(rate->currentText(), "128 kbps");
    QComboBox* level = get<QComboBox>(CSysSettingDlg::kSilenceLevel);
    ASSERT_EQ(level->count(), 10);
    EXPECT_EQ(level->itemText(0), "-39");
    EXPECT_EQ(level->currentText(), "-37");
    EXPECT_EQ(get<QLineEdit>(CSysSettingDlg::kPath)->text().toStdString(), s.config.RecordFilePath);
    EXPECT_EQ(get<QSlider>(CSysSettingDlg::kVolume)->value(), 80);
    EXPECT_EQ(get<QSlider>(CSysSettingDlg::kBalance)->value(), 50);
    for (int id : {CSysSettingDlg::kOk, CSysSettingDlg::kCancel, CSysSettingDlg::kBrowse,
                   CSysSettingDlg::kClose})
        EXPECT_TRUE(get<CRegionBmpBtn>(id)->isSkinned()) << id;
    EXPECT_EQ(get<CRegionBmpBtn>(CSysSettingDlg::kBrowse)->caption(), QString("..."));
    EXPECT_EQ(get<CRegionBmpBtn>(CSysSettingDlg::kClose)->toolTip(), "Close");
    // Nothing is written merely by opening the dialog.
    EXPECT_TRUE(log.inputVolumes.empty());
}

TEST_F(SettingsDialog, WavEmptiesTheBitRatesAndAnotherFormatShowsTheStoredOneAgain) {
    QComboBox* format = get<QComboBox>(CSysSettingDlg::kFormat);
    QComboBox* rate = get<QComboBox>(CSysSettingDlg::kBitRate);
    rate->setCurrentIndex(4);
    format->setCurrentIndex(0);
    EXPECT_FALSE(rate->isEnabled());
    EXPECT_EQ(rate->count(), 0);
    // WMA after WAV: the stored bit rate, not the one last shown.
    format->setCurrentIndex(2);
    EXPECT_TRUE(rate->isEnabled());
    EXPECT_EQ(rate->count(), 5);
    EXPECT_EQ(rate->currentIndex(), 2);

    // OK with WAV keeps the stored bit rate.
    rate->setCurrentIndex(3);
    format->setCurrentIndex(0);
    click(CSysSettingDlg::kOk);
    EXPECT_EQ(s.option("RecordFileType"), "0");
    EXPECT_EQ(s.option("RecordFileMP3BitRate"), "2");
    EXPECT_EQ(s.config.RecordFileType, 0);
    EXPECT_EQ(s.config.RecordFileMP3BitRate, 2);

    // Shown again with WAV stored: still disabled and empty.
    dialog->show();
    EXPECT_FALSE(rate->isEnabled());
    EXPECT_EQ(rate->count(), 0);
    format->setCurrentIndex(2);
    rate->setCurrentIndex(3);
    click(CSysSettingDlg::kOk);
    EXPECT_EQ(s.option("RecordFileType"), "2");
    EXPECT_EQ(s.option("RecordFileMP3BitRate"), "3");
}

// FLAC has no bit rate: the list says "Lossless" and OK stores only the type.
TEST_F(SettingsDialog, FlacShowsLosslessInPlaceOfABitRateAndKeepsTheStoredOne) {
    QComboBox* format = get<QComboBox>(CSysSettingDlg::kFormat);
    QComboBox* rate = get<QComboBox>(CSysSettingDlg::kBitRate);
    ASSERT_EQ(format->count(), 4);
    EXPECT_EQ(format->itemText(3), "FLAC");
    rate->setCurrentIndex(4);
    format->setCurrentIndex(3);
    EXPECT_FALSE(rate->isEnabled());
    ASSERT_EQ(rate->count(), 1);
    EXPECT_EQ(rate->currentText(), "Lossless");
    click(CSysSettingDlg::kOk);
    EXPECT_EQ(s.option("RecordFileType"), "3");
    EXPECT_EQ(s.option("RecordFileMP3BitRate"), "2");
    EXPECT_EQ(s.config.RecordFileType, 3);

    dialog->show(); // filled from the stored FLAC
    EXPECT_EQ(format->currentText(), "FLAC");
    EXPECT_FALSE(rate->isEnabled());
    EXPECT_EQ(rate->currentText(), "Lossless");
    format->setCurrentIndex(1); // back to MP3: the stored bit rate
    EXPECT_TRUE(rate->isEnabled());
    EXPECT_EQ(rate->count(), 5);
    EXPECT_EQ(rate->currentIndex(), 2);
}

TEST_F(SettingsDialog, SlidersAreStoredWhenLetGoAndCancelUndoesNothing) {
    QSlider* volume = get<QSlider>(CSysSettingDlg::kVolume);
    volume->setSliderDown(true);
    volume->setValue(55);
    EXPECT_EQ(s.option("Record Volume"), "80") << "not while it is still held";
    EXPECT_TRUE(log.inputVolumes.empty());
    volume->setValue(30);
    volume->setSliderDown(false);
    EXPECT_EQ(s.option("Record Volume"), "30");
    EXPECT_EQ(log.inputVolumes, std::vector<int>{30});

    click(CSysSettingDlg::kCancel);
    EXPECT_EQ(s.option("Record Volume"), "30");
    EXPECT_EQ(s.config.RecordVolume, 30);
    dialog->show();
    EXPECT_EQ(volume->value(), 30) << "filling again leaves the slider alone";

    // Keys move the slider without a release; they are taken at once too.
    volume->setFocus();
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QCoreApplication::sendEvent(volume, &right);
    EXPECT_EQ(s.option("Record Volume"), "31");
    EXPECT_EQ(log.inputVolumes, (std::vector<int>{30, 31}));

    // The balance is stored only; the capture engine applies it.
    QSlider* balance = get<QSlider>(CSysSettingDlg::kBalance);
    balance->setSliderDown(true);
    balance->setValue(60);
    balance->setSliderDown(false);
    EXPECT_EQ(s.option("Record Balance"), "60");
    EXPECT_EQ(s.config.RecordBalance, 60);
    EXPECT_EQ(log.inputVolumes.size(), 2u);
}

TEST_F(SettingsDialog, SilenceRecordingShowsWhatIsStoredAfterCancelAndOkSavesIt) {
    QCheckBox* box = get<QCheckBox>(CSysSettingDlg::kSilenceRecording);
    const struct {
        bool stored;
        int closeWith; // kCancel, kClose or kOk
    } cases[] = {{false, CSysSettingDlg::kCancel},
                 {false, CSysSettingDlg::kClose},
                 {false, CSysSettingDlg::kOk},
                 {true, CSysSettingDlg::kCancel},
                 {true, CSysSettingDlg::kOk}};
    std::vector<int> monitor;
    for (const auto& c : cases) {
        dialog->show();
        ASSERT_EQ(box->isChecked(), c.stored) << "shown as stored";
        box->setChecked(!c.stored);
        click(c.closeWith);
        const bool saved = c.closeWith == CSysSettingDlg::kOk;
        const bool now = saved ? !c.stored : c.stored;
        EXPECT_EQ(s.option("Silence Recording"), now ? "1" : "0");
        EXPECT_EQ(s.config.SilenceRecording, now ? 1 : 0);
        if (saved)
            monitor.push_back(now ? -10000 : 0);
        EXPECT_EQ(log.monitorVolumes, monitor) << "applied only by OK";
        dialog->show();
        EXPECT_EQ(box->isChecked(), now) << "the next show shows what is stored";
        dialog->hide();
    }
}

TEST_F(SettingsDialog, CancelCloseEscapeAndTheDesktopStoreNothingAndTellThePanel) {
    const std::string before = s.home.readFile("Configure/Config_LP.ini");
    auto change = [&] {
        dialog->show();
        get<QComboBox>(CSysSettingDlg::kFormat)->setCurrentIndex(0);
        get<QComboBox>(CSysSettingDlg::kSilenceLevel)->setCurrentIndex(9);
        get<QLineEdit>(CSysSettingDlg::kPath)->setText("/nowhere/else");
        get<QComboBox>(CSysSettingDlg::kLanguage)->setCurrentIndex(0);
    };
    change();
    click(CSysSettingDlg::kCancel);
    change();
    click(CSysSettingDlg::kClose);
    change();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.get(), &escape);
    EXPECT_FALSE(dialog->isVisible());
    change();
    EXPECT_FALSE(dialog->close()) << "the panel keeps the dialog";
    EXPECT_FALSE(dialog->isVisible());
    deliver();
    EXPECT_EQ(panel.count(msg::ToolDialogClosed, 2), 4);
    EXPECT_EQ(panel.count(msg::LanguageChanged), 0);
    EXPECT_EQ(s.home.readFile("Configure/Config_LP.ini"), before);
    EXPECT_TRUE(dialog->MessageWindow::isWindow());

    // Shown again, it shows the stored settings, not the abandoned ones.
    dialog->show();
    EXPECT_EQ(get<QComboBox>(CSysSettingDlg::kFormat)->currentIndex(), 1);
    EXPECT_EQ(get<QComboBox>(CSysSettingDlg::kSilenceLevel)->currentIndex(), 2);
    EXPECT_EQ(get<QLineEdit>(CSysSettingDlg::kPath)->text().toStdString(), s.config.RecordFilePath);
}

TEST_F(SettingsDialog, TheSameLanguagePostsNothingAndAnotherChangesThePanel) {
    // A key without a language, as an earlier version left it: English, and kept so.
    writeBytes(wRegistryKey::locate(ConfigManger::kRegistryKey)->file, "[General]\n");
    click(CSysSettingDlg::kOk);
    deliver();
    EXPECT_EQ(panel.count(msg::LanguageChanged), 0);
    EXPECT_EQ(registryLanguage(), std::nullopt) << "the stored language is not touched";
    EXPECT_EQ(panel.label->text(), "Record");

    dialog->show();
    get<QComboBox>(CSysSettingDlg::kLanguage)->setCurrentIndex(2);
    click(CSysSettingDlg::kOk);
    EXPECT_EQ(s.config.LanguageID, 2);
    EXPECT_EQ(registryLanguage(), "2");
    EXPECT_TRUE(s.config.LanguageFile.ends_with("/Language/Japanese/Japanese.ini"));
    ASSERT_TRUE(pumpUntil([&] { return panel.count(msg::LanguageChanged) == 1; }, 10000));
    EXPECT_EQ(panel.label->text(), QString::fromUtf8("録音"));

    // The dialog shows the new language the next time it is shown.
    dialog->show();
    EXPECT_EQ(get<QComboBox>(CSysSettingDlg::kLanguage)->currentIndex(), 2);
    EXPECT_NE(dialog->title(), "Options");
    EXPECT_NE(get<CRegionBmpBtn>(CSysSettingDlg::kCancel)->caption(), QString("Cancel"));
}

TEST_F(SettingsDialog, AutorunOnAndOffCreatesAndRemovesTheAutostartEntry) {
    const fs::path entry = wAutoRun::entryPath();
    ASSERT_TRUE(entry.string().starts_with(s.home.configHome().string()));
    get<QCheckBox>(CSysSettingDlg::kAutoRun)->setChecked(true);
    click(CSysSettingDlg::kOk);
    EXPECT_EQ(wAutoRun::read(), "/opt/Vorlane Test/Vorlane");

    dialog->show();
    QCheckBox* box = get<QCheckBox>(CSysSettingDlg::kAutoRun);
    EXPECT_TRUE(box->isChecked());
    box->setChecked(false);
    click(CSysSettingDlg::kOk);
    EXPECT_FALSE(fs::exists(entry));
}

TEST_F(SettingsDialog, BrowseAppendsTheRecordFolderNameOnceAndCancelChangesNothing) {
    QLineEdit* path = get<QLineEdit>(CSysSettingDlg::kPath);
    const QString before = path->text();
    log.nextFolder = "";
    click(CSysSettingDlg::kBrowse);
    EXPECT_EQ(path->text(), before);
    ASSERT_EQ(log.browseStarts.size(), 1u);
    EXPECT_EQ(log.browseStarts[0], before);

    log.nextFolder = "/media/archive";
    click(CSysSettingDlg::kBrowse);
    EXPECT_EQ(path->text(), "/media/archive/VorlaneLP Record Files");
    // A folder that already is a recordings folder is taken as it is, not nested.
    const struct {
        const char* chosen;
        const char* shown;
    } cases[] = {
        {"/media/archive/VorlaneLP Record Files", "/media/archive/VorlaneLP Record Files"},
        {"/media/archive/VorlaneLP Record Files/", "/media/archive/VorlaneLP Record Files"},
        {"/VorlaneLP Record Files", "/VorlaneLP Record Files"},
        {"/", "/VorlaneLP Record Files"},
        {"/media/old VorlaneLP Record Files",
         "/media/old VorlaneLP Record Files/VorlaneLP Record Files"},
        {"/media/vorlanelp record files", "/media/vorlanelp record files/VorlaneLP Record Files"},
        {"/media/VorlaneLP Record Files/2024",
         "/media/VorlaneLP Record Files/2024/VorlaneLP Record Files"},
    };
    for (const auto& c : cases) {
        log.nextFolder = QString::fromUtf8(c.chosen);
        click(CSysSettingDlg::kBrowse);
        EXPECT_EQ(path->text().toStdString(), c.shown) << c.chosen;
    }
    EXPECT_EQ(s.config.RecordFilePath, before.toStdString()) << "stored only by OK";
}

TEST_F(SettingsDialog, OkRefusesAFolderThatCannotBeUsedAndStoresNothing) {
    const std::string before = s.home.readFile("Configure/Config_LP.ini");
    s.home.writeFile("blocker", "a file, not a folder");
    get<QComboBox>(CSysSettingDlg::kFormat)->setCurrentIndex(0);
    QLineEdit* path = get<QLineEdit>(CSysSettingDlg::kPath);
    const QString bad = QString::fromStdString((s.home / "blocker" / "records").string());
    path->setText(bad);
    click(CSysSettingDlg::kOk);
    ASSERT_EQ(log.problems.size(), 1u);
    EXPECT_TRUE(log.problems[0].contains("cannot be saved in this folder"));
    EXPECT_TRUE(log.problems[0].contains(bad));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(s.home.readFile("Configure/Config_LP.ini"), before);
    EXPECT_EQ(s.config.RecordFileType, 1);
    deliver();
    EXPECT_EQ(panel.count(msg::ToolDialogClosed), 0);

    // A folder that can be made is stored.
    const fs::path good = s.home / "music" / "vinyl";
    path->setText(QString::fromStdString(good.string()));
    click(CSysSettingDlg::kOk);
    EXPECT_EQ(log.problems.size(), 1u);
    EXPECT_EQ(s.option("RecordFilePath"), good.string());
    EXPECT_EQ(s.config.RecordFilePath, good.string());
    EXPECT_EQ(s.option("RecordFileType"), "0");
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(SettingsDialog, OutOfRangeStoredValuesShowNoSelectionAndOkKeepsThem) {
    for (auto [key, value] : {std::pair{"Silence Level", 15}, {"RecordFileType", 7}})
        ConfigManger::WriteSetting("Option", key, value);
    s.config.SilenceLevel = 15;
    s.config.RecordFileType = 7; // read as MP3 by the writers
    s.config.SetLanguageID(9);
    open();
    for (int id : {CSysSettingDlg::kSilenceLevel, CSysSettingDlg::kFormat})
        EXPECT_EQ(get<QComboBox>(id)->currentIndex(), -1) << id;
    click(CSysSettingDlg::kOk);
    deliver();
    EXPECT_EQ(s.option("Silence Level"), "15");
    EXPECT_EQ(s.option("RecordFileType"), "7");
    EXPECT_EQ(s.config.LanguageID, 9);
    EXPECT_EQ(panel.count(msg::LanguageChanged), 0);
    EXPECT_EQ(panel.count(msg::ToolDialogClosed, 2), 1);
}

TEST_F(SettingsDialog, ControlsLieOnTheSkinWithoutOverlapping) {
    std::vector<QWidget*> widgets;
    for (QWidget* w : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->isVisibleTo(dialog.get()))
            widgets.push_back(w);
    ASSERT_GE(widgets.size(), 20u);
    const QRegion shape = dialog->mask();
    for (size_t i = 0; i < widgets.size(); ++i) {
        const QRect r = widgets[i]->geometry();
        EXPECT_EQ(shape.intersected(r), QRegion(r)) << widgets[i]->metaObject()->className();
        for (size_t j = i + 1; j < widgets.size(); ++j)
            EXPECT_FALSE(r.intersects(widgets[j]->geometry()))
                << widgets[i]->metaObject()->className() << " and "
                << widgets[j]->metaObject()->className();
    }
}

TEST_F(SettingsDialog, CutBeforeNextTrackIsStoredByOkOnly) {
    QCheckBox* box = get<QCheckBox>(CSysSettingDlg::kCutBeforeNextTrack);
    EXPECT_EQ(s.option("CutBeforeNextTrack"), std::nullopt); // 0 until stored
    for (const auto& [tick, closeWith, stored] :
         {std::tuple{true, CSysSettingDlg::kCancel, 0}, std::tuple{true, CSysSettingDlg::kOk, 1},
          std::tuple{false, CSysSettingDlg::kClose, 1},
          std::tuple{false, CSysSettingDlg::kOk, 0}}) {
        dialog->show();
        box->setChecked(tick);
        click(closeWith);
        EXPECT_EQ(s.config.CutBeforeNextTrack, stored);
        if (closeWith == CSysSettingDlg::kOk) {
            EXPECT_EQ(s.option("CutBeforeNextTrack"), std::to_string(stored));
        }
        dialog->show();
        EXPECT_EQ(box->isChecked(), stored != 0);
        dialog->hide();
    }
}
