#include "PanelTestSupport.h"
#include "SkinTestFiles.h"
#include "ui/CAboutDlg.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/PanelLayout.h"
#include "ui/PanelNotices.h"
#include "ui/wTrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTimer>
#include <filesystem>

using namespace vorlane;
using namespace vorlane::test;

namespace fs = std::filesystem;

namespace {

// Chooses a division type the way the user does: from the keyboard on the list.
void chooseDivideType(QComboBox* list, int type) {
    while (list->currentIndex() < type)
        pressKey(list, Qt::Key_Down);
    while (list->currentIndex() > type)
        pressKey(list, Qt::Key_Up);
}

// Sees every event of a widget while it lives.
class LambdaFilter : public QObject {
public:
    LambdaFilter(QObject* watched, std::function<void(QEvent*)> seen) : seen_(std::move(seen)) {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        seen_(e);
        return false;
    }

private:
    std::function<void(QEvent*)> seen_;
};

int greenPixels(const QImage& image, const skin::Rect& r) {
    int n = 0;
    for (int y = r.y; y < r.bottom(); ++y)
        for (int x = r.x; x < r.right(); ++x) {
            const QRgb px = image.pixel(x, y);
            n += qRed(px) < 64 && qGreen(px) > 192 && qBlue(px) < 64;
        }
    return n;
}

} // namespace

TEST_F(PanelTest, ControlsSitAtTheirPlacesAndThePanelStartsIdle) {
    makePanel();
    EXPECT_TRUE(panel->isSkinned());
    EXPECT_TRUE(panel->dialogSkin()->movable()); // dragged by any point
    EXPECT_EQ(panel->windowFlags() & Qt::WindowType_Mask, Qt::Window);
    EXPECT_EQ(panel->size(), QSize(panel::kBackground.width, panel::kBackground.height));
    EXPECT_FALSE(panel->mask().isEmpty());
    EXPECT_EQ(panel->windowTitle(), QString::fromStdString(config.SoftWareText));
    for (const panel::Control& c : panel::kControls) {
        if (c.id == panel::kNoId)
            continue;
        QWidget* w = panel->control(c.id);
        ASSERT_NE(w, nullptr) << c.id;
        EXPECT_EQ(w->pos(), QPoint(c.rect.x, c.rect.y)) << c.id;
        if (c.kind == panel::Kind::Button) {
            // Skinned buttons take the size of one image of their strip.
            auto* b = panel->button(c.id);
            EXPECT_TRUE(b->isSkinned()) << c.id;
            EXPECT_EQ(b->width(), c.imageWidth) << c.id;
        } else {
            EXPECT_EQ(w->size(), QSize(c.rect.width, c.rect.height)) << c.id;
        }
    }
    EXPECT_TRUE(panel->button(panel::kRecordStart)->isEnabled());
    for (int id : {panel::kRecordStop, panel::kRecordDivide, panel::kRecordPause})
        EXPECT_FALSE(panel->button(id)->isEnabled()) << id;
    panel->show();
    // Each visible bitmap button shows its own image where the layout puts it.
    const QImage shot = panel->grab().toImage();
    for (const panel::Control& c : panel::kControls)
        if (auto* b = c.kind == panel::Kind::Button ? panel->button(c.id) : nullptr;
            b && b->isVisible()) {
            EXPECT_EQ(shot.pixel(b->geometry().center()),
                      b->grab().toImage().pixel(b->rect().center()))
                << c.id;
        }
    EXPECT_TRUE(panel->button(panel::kTaskButton)->isVisible());
    EXPECT_FALSE(ctl<QLabel>(panel::kFileNameLabel)->isVisible());
    EXPECT_FALSE(ctl<QLabel>(panel::kRecordTimeLabel)->isVisible());
    EXPECT_EQ(panel->button(panel::kGenreButton)->caption(), QStringLiteral("..."));
    EXPECT_EQ(ctl<QSpinBox>(panel::kRecordNoSpin)->maximum(), 1000);
    EXPECT_EQ(ctl<QSpinBox>(panel::kRecordTrackSpin)->maximum(), 100);
    EXPECT_EQ(ctl<QLineEdit>(panel::kRecordNoEdit)->text(), QStringLiteral("1"));
    EXPECT_EQ(ctl<QLabel>(panel::kGenreName)->text(), QStringLiteral("Blues"));
    // Division type 0: no division time.
    EXPECT_EQ(ctl<QComboBox>(panel::kDivideTypeList)->count(), 3);
    EXPECT_EQ(ctl<QComboBox>(panel::kDivideTypeList)->currentIndex(), 0);
    EXPECT_FALSE(ctl<QTimeEdit>(panel::kDivideTimePicker)->isVisible());
    EXPECT_EQ(ctl<QTimeEdit>(panel::kDivideTimePicker)->displayFormat(),
              QStringLiteral("HH:mm:ss"));
    // Texts from the shipped English file.
    EXPECT_EQ(ctl<QLabel>(panel::kRecordNoLabel)->text(), QStringLiteral("Record No."));
    EXPECT_EQ(panel->button(panel::kRecordStart)->tipText(), QStringLiteral("Record"));
    EXPECT_EQ(panel->button(panel::kPlayFileButton)->tipText(), QStringLiteral("Play Recordings"));
}

TEST_F(PanelTest, ADamagedBackgroundBitmapIsReported) {
    folder.writeFile("Resource/Skin/BK-LP.bmp", "BM not really a bitmap");
    EXPECT_FALSE(buildPanel());
    EXPECT_FALSE(panel->isSkinned());
}

TEST_F(PanelTest, EscapeAndTheCloseButtonEachExitOnce) {
    makePanel();
    panel->show();
    pressKey(panel.get(), Qt::Key_Escape);
    pump();
    EXPECT_EQ(exits, 1);
    EXPECT_TRUE(panel->isVisible()); // the program's shutdown decides when it goes

    click(panel::kCloseButton);
    EXPECT_EQ(exits, 2);
    // Enter does not close the panel.
    pressKey(panel.get(), Qt::Key_Return);
    pump();
    EXPECT_EQ(exits, 2);
    EXPECT_TRUE(panel->isVisible());
}

// A stray Escape must not end a recording; the Close button and the tray's Exit still do, and
// once idle Escape exits again.
TEST_F(PanelTest, EscapeDoesNothingDuringARecording) {
    makePanel();
    panel->show();
    deviceReady();
    click(panel::kRecordStart);
    ASSERT_TRUE(panel->controller().Recording());
    pressKey(panel.get(), Qt::Key_Escape);
    pump();
    EXPECT_EQ(exits, 0);
    EXPECT_TRUE(panel->controller().Recording());
    click(panel::kRecordPause); // paused is still a recording
    pressKey(panel.get(), Qt::Key_Escape);
    pump();
    EXPECT_EQ(exits, 0);
    click(panel::kCloseButton);
    EXPECT_EQ(exits, 1);
    panel->tray().menu()->actions().last()->trigger();
    pump();
    EXPECT_EQ(exits, 2);
    click(panel::kRecordStop);
    ASSERT_FALSE(panel->controller().Recording());
    pressKey(panel.get(), Qt::Key_Escape);
    pump();
    EXPECT_EQ(exits, 3);
}

// Without a device the panel says so itself, and Record explains why it cannot start: one
// note, brought to the front on the next press.
TEST_F(PanelTest, WithoutADeviceThePanelSaysSoAndRecordExplainsWhy) {
    config.LanguageFile = (folder / "Language/Japanese/Japanese.ini").string();
    makePanel();
    panel->show();
    const PanelNotices& notices = panel->notices();
    EXPECT_TRUE(notices.noDeviceShown());
    EXPECT_EQ(notices.noDeviceText(),
              QStringLiteral("USB ターンテーブルまたはアダプターが接続されていません"));
    click(panel::kRecordStart);
    EXPECT_FALSE(panel->controller().Recording());
    EXPECT_TRUE(panel->lastError().starts_with("録音する機器がありません。")) << panel->lastError();
    click(panel::kRecordStart);
    auto boxes = panel->findChildren<QMessageBox*>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0]->isVisible());
    EXPECT_FALSE(boxes[0]->isModal());

    deviceReady();
    EXPECT_FALSE(notices.noDeviceShown());
    click(panel::kRecordStart);
    EXPECT_TRUE(panel->controller().Recording());
    EXPECT_EQ(panel->findChildren<QMessageBox*>().size(), 1u);
    // The device goes mid-recording: the recording ends and the line is back.
    deliver(msg::DeviceGone);
    EXPECT_FALSE(panel->controller().Recording());
    EXPECT_TRUE(notices.noDeviceShown());
}

TEST_F(PanelTest, TypedNumbersAreSavedAtOnceAndNameTheNextFile) {
    makePanel();
    auto* edit = ctl<QLineEdit>(panel::kRecordNoEdit);
    edit->selectAll();
    typeText(edit, QStringLiteral("12"));
    EXPECT_EQ(config.RecordNo, 12);
    EXPECT_EQ(setting("Option", "RecordNo"), "12");
    // Letters do not get in; the arrows go on from the typed number.
    typeText(edit, QStringLiteral("x"));
    EXPECT_EQ(edit->text(), QStringLiteral("12"));
    ctl<QSpinBox>(panel::kRecordNoSpin)->stepUp();
    EXPECT_EQ(edit->text(), QStringLiteral("13"));
    EXPECT_EQ(setting("Option", "RecordNo"), "13");

    auto* track = ctl<QLineEdit>(panel::kRecordTrackEdit);
    track->selectAll();
    typeText(track, QStringLiteral("7"));
    EXPECT_EQ(setting("Option", "RecordTrack"), "7");

    deviceReady();
    click(panel::kRecordStart);
    ASSERT_TRUE(panel->controller().Recording());
    EXPECT_FALSE(panel->button(panel::kRecordStart)->isEnabled());
    // Division by hand: the divide button is on with stop and pause.
    for (int id : {panel::kRecordStop, panel::kRecordPause, panel::kRecordDivide})
        EXPECT_TRUE(panel->button(id)->isEnabled()) << id;
    EXPECT_EQ(ctl<QLabel>(panel::kFileNameLabel)->text(),
              QStringLiteral("No.13-Track007_20260305-140709.wav"));
    EXPECT_TRUE(ctl<QLabel>(panel::kFileNameLabel)->isVisibleTo(panel.get()));
    clock.advance((5 * 60 + 23) * 1000);
    panel->send(msg::Timer, timer::RecordingClock);
    EXPECT_EQ(ctl<QLabel>(panel::kRecordTimeLabel)->text(), QStringLiteral("00:05:23"));

    // The stop advances the record number and the fields follow.
    captureBlocks(2);
    click(panel::kRecordStop);
    EXPECT_EQ(edit->text(), QStringLiteral("14"));
    EXPECT_EQ(track->text(), QStringLiteral("1"));
    EXPECT_FALSE(ctl<QLabel>(panel::kFileNameLabel)->isVisibleTo(panel.get()));

    // A settings file that cannot be written: the user hears of it.
    fs::permissions(ConfigManger::SettingsFilePath(), fs::perms::owner_read);
    edit->selectAll();
    typeText(edit, QStringLiteral("20"));
    EXPECT_EQ(setting("Option", "RecordNo"), "14");
    EXPECT_NE(panel->lastError().find("could not be saved"), std::string::npos);
    EXPECT_EQ(panel->findChildren<QMessageBox*>().size(), 1); // once, not per keystroke
}

TEST_F(PanelTest, DivisionTypeAndTimeWriteTheirKeys) {
    makePanel();
    panel->show();
    auto* list = ctl<QComboBox>(panel::kDivideTypeList);
    auto* label = ctl<QLabel>(panel::kDivideTimeLabel);
    auto* picker = ctl<QTimeEdit>(panel::kDivideTimePicker);

    chooseDivideType(list, 2);
    EXPECT_EQ(setting("Option", "RecordDiviType"), "2");
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(label->text(), QStringLiteral("Mute Time"));
    EXPECT_EQ(picker->time(), QTime(0, 0, 2));
    picker->setTime(QTime(0, 0, 5));
    EXPECT_EQ(config.RecordMuteSecond, 5);
    EXPECT_EQ(setting("Option", "RecordMuteSecond"), "5");

    chooseDivideType(list, 1);
    EXPECT_EQ(setting("Option", "RecordDiviType"), "1");
    EXPECT_EQ(label->text(), QStringLiteral("Divide Time"));
    EXPECT_EQ(picker->time(), QTime(0, 30, 0));
    picker->setTime(QTime(1, 2, 3));
    EXPECT_EQ(setting("Option", "RecordDiviSecondTime"), "3723");
    EXPECT_EQ(setting("Option", "RecordMuteSecond"), "5");

    chooseDivideType(list, 0);
    EXPECT_EQ(setting("Option", "RecordDiviType"), "0");
    EXPECT_FALSE(picker->isVisible());
    EXPECT_FALSE(label->isVisible());

    // A new panel over the saved settings shows them again.
    panel.reset();
    ConfigManger::WriteSetting("Option", "RecordDiviType", 1);
    ASSERT_TRUE(config.Load());
    makePanel();
    EXPECT_EQ(ctl<QComboBox>(panel::kDivideTypeList)->currentIndex(), 1);
    EXPECT_EQ(ctl<QTimeEdit>(panel::kDivideTimePicker)->time(), QTime(1, 2, 3));
}

TEST_F(PanelTest, TheYearIsWrittenAtOnceTheOtherTagsStayInTheRecord) {
    makePanel();
    auto* year = ctl<QLineEdit>(panel::kYearEdit);
    typeText(year, QStringLiteral("1979x5"));
    EXPECT_EQ(year->text(), QStringLiteral("1979"));
    EXPECT_EQ(config.MP3Year, "1979");
    EXPECT_EQ(setting("ID3V1Information", "MP3Year"), "1979");

    typeText(ctl<QLineEdit>(panel::kTitleEdit), QStringLiteral("Kind of Blue"));
    typeText(ctl<QLineEdit>(panel::kArtistEdit), QStringLiteral("Miles Davis"));
    EXPECT_EQ(config.MP3Title, "Kind of Blue");
    EXPECT_EQ(config.MP3Artist, "Miles Davis");
    EXPECT_EQ(setting("ID3V1Information", "MP3Title"), "");
}

TEST_F(PanelTest, CapturedBlocksDrawTheMetersAndOnlyBlocksCountTowardsSilence) {
    makePanel();
    panel->show();
    QImage before = panel->grab().toImage();
    EXPECT_EQ(greenPixels(before, panel::kWaveLeft), 0);
    deviceReady();
    captureBlocks(1);
    const MeterUpdate& last = panel->meter().Last();
    ASSERT_TRUE(last.left.hasData);
    // A square wave of amplitude 10,000 swings 20,000: 86 dB, 46 above the floor.
    EXPECT_EQ(last.right.bars, 46);
    const QImage shot = panel->grab().toImage();
    EXPECT_GT(greenPixels(shot, panel::kWaveLeft), 200);
    EXPECT_GT(greenPixels(shot, panel::kWaveRight), 200);
    EXPECT_EQ(greenPixels(shot, panel::kMeterLeft), 46 * LevelMeter::kBarHeight);

    // Divide on 2 s of silence while recording.
    chooseDivideType(ctl<QComboBox>(panel::kDivideTypeList), 2);
    click(panel::kRecordStart);
    ASSERT_TRUE(panel->controller().Recording());
    loud = false;
    captureBlocks(2 * SilenceDetector::kUpdatesPerSecond - 1);
    const int64_t counter = panel->meter().Detector().Counter();
    EXPECT_EQ(counter, 2 * SilenceDetector::kUpdatesPerSecond - 1);
    // Redrawing the panel draws the last block again and counts for nothing.
    for (int i = 0; i < 40; ++i)
        panel->repaint();
    pump();
    EXPECT_EQ(panel->meter().Detector().Counter(), counter);
    EXPECT_EQ(config.RecordTrack, 1);
    EXPECT_EQ(greenPixels(panel->grab().toImage(), panel::kMeterLeft), 0);

    // The next block completes the silence: the recording moves on to track 2.
    captureBlocks(1);
    EXPECT_EQ(panel->controller().CurrentFileName(), "No.01-Track002_20260305-140709.wav");
}

TEST_F(PanelTest, MonitorMuteAndRestore) {
    makePanel();
    deviceReady();
    EXPECT_EQ(capture->MonitorVolume(), 0);
    deliver(msg::MonitorMute, 1);
    EXPECT_EQ(capture->MonitorVolume(), -10000);
    deliver(msg::MonitorMute, 0);
    EXPECT_EQ(capture->MonitorVolume(), 0);

    // With "Silence Recording" the monitor stays silent after playback.
    config.SilenceRecording = 1;
    panel->post(msg::MonitorMute, 1);
    deliver(msg::MonitorMute, 0);
    EXPECT_EQ(capture->MonitorVolume(), -10000);
}

TEST_F(PanelTest, TextsAreAppliedAgainWhenTheLanguageChanges) {
    makePanel();
    // A language with some keys missing: those show the built-in English.
    folder.writeFile("Language/Test/Test.ini",
                     "[WindowText]\nRecord=Aufnahme\nRecordNo=Platte Nr.\n"
                     "Close Auto Divide Record=Nicht teilen\nDivedeTime=Teilzeit\n"
                     "[Tooltip]\nNODEVICE=Kein Gerät\n");
    config.LanguageFile = (folder / "Language/Test/Test.ini").string();
    deliver(msg::LanguageChanged);
    EXPECT_EQ(panel->button(panel::kRecordStart)->tipText(), QStringLiteral("Aufnahme"));
    EXPECT_EQ(panel->button(panel::kRecordStop)->tipText(), QStringLiteral("Stop"));
    EXPECT_EQ(panel->button(panel::kPlayFileButton)->tipText(), QStringLiteral("Music Play"));
    EXPECT_EQ(ctl<QLabel>(panel::kRecordNoLabel)->text(), QStringLiteral("Platte Nr."));
    EXPECT_EQ(ctl<QLabel>(panel::kDivideTypeLabel)->text(), QStringLiteral("DivideRecord Type"));
    EXPECT_EQ(ctl<QLabel>(panel::kDivideTimeLabel)->text(), QStringLiteral("Teilzeit"));
    auto* list = ctl<QComboBox>(panel::kDivideTypeList);
    EXPECT_EQ(list->itemText(0), QStringLiteral("Nicht teilen"));
    EXPECT_EQ(list->itemText(2), QStringLiteral("Auto Divide Record with mute"));
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(panel->tray().tip(), QStringLiteral("Kein Gerät"));
    // Refilling the list is not a choice of the user.
    EXPECT_EQ(setting("Option", "RecordDiviType"), "0");
}

TEST_F(PanelTest, TheTrayFollowsTheDeviceAndTheRecording) {
    makePanel();
    panel->showTrayIcon();
    EXPECT_EQ(panel->tray().state(), wTrayIcon::State::NoDevice);
    deviceReady();
    EXPECT_EQ(panel->tray().state(), wTrayIcon::State::Listening);
    EXPECT_EQ(panel->tray().tip(), QStringLiteral("Listening"));
    click(panel::kRecordStart);
    EXPECT_EQ(panel->tray().state(), wTrayIcon::State::Recording);
    captureBlocks(1);

    // The device goes away mid-recording: the recording ends.
    deliver(msg::DeviceGone);
    EXPECT_EQ(panel->tray().state(), wTrayIcon::State::NoDevice);
    EXPECT_FALSE(panel->controller().Recording());

    // A scheduled recording carries its task's name.
    deviceReady();
    deliverText(msg::ScheduledRecording, 0, "FM 98.1");
    EXPECT_EQ(panel->tray().state(), wTrayIcon::State::ScheduledRecording);
    EXPECT_EQ(panel->controller().CurrentFileName(), "No.02-Track001_20260305-140709_FM 98.1.wav");
    captureBlocks(1);
    deliver(msg::ScheduledRecording, 1);
    EXPECT_EQ(panel->tray().state(), wTrayIcon::State::Listening);
}

TEST_F(PanelTest, MinimisingHidesToTheTrayAndTheSchedulerModeIsEnteredFromThere) {
    wTrayIcon::overrideSystemTrayAvailable(true);
    makePanel();
    EXPECT_TRUE(panel->showTrayIcon());
    std::vector<std::string> calls;
    auto mode = [&](const char* call, bool on) {
        return [&, call, on] {
            calls.push_back(call);
            panel->setSchedulerMode(on);
        };
    };
    panel->setSchedulerHandlers(
        {mode("enter", true), mode("leave", false), [&] { calls.push_back("hidden"); }});
    panel->show();
    panel->move(120, 80);
    const QPoint place = panel->pos();
    click(panel::kMinimizeButton);
    EXPECT_FALSE(panel->isVisible());
    panel->tray().onActivated(QSystemTrayIcon::DoubleClick);
    pump();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->pos(), place);

    // The open command leaves the mode; outside it, it only shows the panel.
    click(panel::kMinimizeButton);
    deliver(msg::Command, cmd::EnterScheduler);
    deliver(msg::Command, cmd::ShowPanel);
    deliver(msg::Command, cmd::ShowPanel);
    EXPECT_EQ(calls, (std::vector<std::string>{"hidden", "hidden", "enter", "leave"}));
    panel->removeTrayIcon();

    // Without a tray the panel goes to the task bar instead of out of reach.
    wTrayIcon::overrideSystemTrayAvailable(false);
    click(panel::kMinimizeButton);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(panel->isMinimized());
    deliver(msg::Command, cmd::ShowPanel);
    EXPECT_FALSE(panel->isMinimized());
    wTrayIcon::overrideSystemTrayAvailable(std::nullopt);
}

// The tray icon was put up, then the tray went away (an extension turned off): minimising
// must not hide the panel for good. A platform that forgets the minimised state at once
// (Wayland has no un-minimise) still gets the panel back from a second start: it is shown
// anew.
TEST_F(PanelTest, WithoutATrayMinimisingGoesToTheTaskBarAndASecondStartBringsThePanelBack) {
    wTrayIcon::overrideSystemTrayAvailable(true);
    makePanel();
    ASSERT_TRUE(panel->showTrayIcon());
    panel->show();
    wTrayIcon::overrideSystemTrayAvailable(false);
    click(panel::kMinimizeButton);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(panel->isMinimized());

    int shows = 0;
    LambdaFilter countShows(panel.get(), [&](QEvent* e) { shows += e->type() == QEvent::Show; });
    panel->setWindowState(panel->windowState() & ~Qt::WindowMinimized); // the state forgotten
    pump();
    shows = 0;
    deliver(msg::Command, cmd::ShowPanel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->isMinimized());
    EXPECT_EQ(shows, 1) << "shown anew";
    // Asked for again while on screen: nothing to bring back.
    deliver(msg::Command, cmd::ShowPanel);
    EXPECT_EQ(shows, 1);
    wTrayIcon::overrideSystemTrayAvailable(std::nullopt);
}

// The tray's menu is the panel's right-click menu, so the task list and scheduler mode are
// there without a tray.
TEST_F(PanelTest, ThePanelsContextMenuOffersTheTasksAndTheScheduler) {
    wTrayIcon::overrideSystemTrayAvailable(false);
    makePanel();
    panel->show();
    int entered = 0;
    panel->setSchedulerHandlers({[&] {
                                     ++entered;
                                     panel->setSchedulerMode(true);
                                 },
                                 [&] { panel->setSchedulerMode(false); },
                                 {}});
    int made = 0;
    panel->setToolDialogFactory(CRivorAzururuFrame::ToolDialog::TaskList,
                                [&made](CRivorAzururuFrame& p) -> QWidget* {
                                    ++made;
                                    return new QWidget(&p, Qt::Tool);
                                });
    QMenu* menu = panel->tray().menu();
    auto item = [&](const QString& text) -> QAction* {
        for (QAction* a : menu->actions())
            if (a->text() == text)
                return a;
        ADD_FAILURE() << "no item " << text.toStdString();
        return nullptr;
    };
    // On a label, as a user would right-click the panel.
    QWidget* label = panel->control(panel::kTitleLabel);
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                 label->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(label, &rightClick);
    ASSERT_TRUE(menu->isVisible());
    QAction* tasks = item(QStringLiteral("Scheduled Tasks"));
    ASSERT_NE(tasks, nullptr);
    tasks->trigger();
    menu->hide();
    pump();
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(panel->toolDialog(CRivorAzururuFrame::ToolDialog::TaskList)->isVisible());

    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(10, 10),
                          panel->mapToGlobal(QPoint(10, 10)));
    QCoreApplication::sendEvent(panel.get(), &key);
    ASSERT_TRUE(menu->isVisible());
    QAction* scheduler = item(QStringLiteral("Wait for the next task"));
    ASSERT_NE(scheduler, nullptr);
    scheduler->trigger();
    menu->hide();
    pump();
    EXPECT_EQ(entered, 1);
    // Hidden with no tray to come back from: the user learns how, once.
    EXPECT_FALSE(panel->isVisible());
    EXPECT_NE(panel->lastError().find("start Vorlane again"), std::string::npos)
        << panel->lastError();
    const auto notes = panel->findChildren<QMessageBox*>().size();
    deliver(msg::Command, cmd::ShowPanel); // a second start
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->schedulerMode());
    deliver(msg::Command, cmd::EnterScheduler);
    EXPECT_EQ(entered, 2);
    EXPECT_EQ(panel->findChildren<QMessageBox*>().size(), notes);
    wTrayIcon::overrideSystemTrayAvailable(std::nullopt);
}

TEST_F(PanelTest, ToolButtonsShowAndHideTheirDialogsOneAtATime) {
    makePanel();
    panel->show();
    using TD = CRivorAzururuFrame::ToolDialog;
    // Until the dialogs exist their buttons open nothing.
    click(panel::kPlayFileButton);
    EXPECT_EQ(panel->toolDialog(TD::PlayFile), nullptr);

    int made = 0;
    auto factory = [&made](CRivorAzururuFrame& p) -> QWidget* {
        ++made;
        return new QWidget(&p, Qt::Tool);
    };
    panel->setToolDialogFactory(TD::PlayFile, factory);
    panel->setToolDialogFactory(TD::SystemSetting, factory);
    auto* browserButton = panel->button(panel::kPlayFileButton);
    click(panel::kPlayFileButton);
    QWidget* browser = panel->toolDialog(TD::PlayFile);
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->isVisible());
    click(panel::kPlayFileButton);
    EXPECT_FALSE(browser->isVisible());
    EXPECT_EQ(browserButton->currentImage(), skin::kImageNormal);

    click(panel::kPlayFileButton);
    click(panel::kSettingButton);
    QWidget* settings = panel->toolDialog(TD::SystemSetting);
    EXPECT_TRUE(settings->isVisible());
    EXPECT_FALSE(browser->isVisible());
    EXPECT_EQ(browserButton->currentImage(), skin::kImageNormal);
    EXPECT_EQ(made, 2); // made once, then only shown and hidden

    // A dialog that closes itself tells the panel.
    deliver(msg::ToolDialogClosed, 2);
    EXPECT_FALSE(settings->isVisible());
    deliver(msg::ToolDialogClosed, 7); // no such dialog
}

TEST_F(PanelTest, TheGenreChooserSetsTheGenreInTheRecord) {
    makePanel();
    click(panel::kGenreButton); // no chooser yet: nothing happens
    EXPECT_EQ(config.MP3Genre, 0);
    std::optional<std::string> answer = "Rock";
    panel->setGenreChooser([&answer](QWidget*) { return answer; });
    click(panel::kGenreButton);
    EXPECT_EQ(config.MP3Genre, 17);
    EXPECT_EQ(ctl<QLabel>(panel::kGenreName)->text(), QStringLiteral("Rock"));
    answer.reset(); // cancelled
    click(panel::kGenreButton);
    EXPECT_EQ(config.MP3Genre, 17);
    answer = "Polka Punk Jazz";
    click(panel::kGenreButton);
    EXPECT_EQ(config.MP3Genre, ConfigManger::kUnknownGenre);
    EXPECT_EQ(ctl<QLabel>(panel::kGenreName)->text(), QString());
    // Memory only, as the other tags.
    EXPECT_EQ(setting("ID3V1Information", "MP3Genre"), "0");
}

TEST_F(PanelTest, TheAboutCommandOpensTheAboutBoxAndAnExitWaitsUntilItIsClosed) {
    makePanel();
    panel->show();
    bool opened = false;
    whenModal([&](QWidget* modal) {
        opened = qobject_cast<CAboutDlg*>(modal) != nullptr;
        // The tray's Exit while the box is up: the panel must outlive the box's loop.
        panel->tray().menu()->actions().last()->trigger();
    });
    deliver(msg::Command, cmd::About);
    pump();
    EXPECT_TRUE(opened);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(exitedUnderABox);
}

TEST_F(PanelTest, ADeviceThatMayNotBeOpenedIsExplainedWithoutAModalBox) {
    makePanel();
    panel->show();
    ASSERT_TRUE(deliverText(msg::DeviceNotAccessible, 0, "/dev/hidraw5"));
    EXPECT_NE(panel->lastError().find("/dev/hidraw5"), std::string::npos) << panel->lastError();
    EXPECT_NE(panel->lastError().find("README"), std::string::npos);
    // The panel stays usable: the note is shown, not modal.
    auto boxes = panel->findChildren<QMessageBox*>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0]->isVisible());
    EXPECT_FALSE(boxes[0]->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
