#include "E2eSupport.h"
#include "PanelTestSupport.h"
#include "PumpUntil.h"
#include "SettingsTestSupport.h"
#include "platform/Messages.h"
#include "ui/wTrayIcon.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <filesystem>
#include <vector>

using namespace vorlane;
using namespace vorlane::test;

namespace {

QStringList texts(const QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions())
        out << a->text();
    return out;
}

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        copyGeneratedResources(folder); // the icons are drawn at build time
        ASSERT_TRUE(config.Load());
    }
    void useLanguage(const std::string& text) {
        folder.writeFile("Language/Test/Test.ini", text);
        config.LanguageFile = (folder / "Language/Test/Test.ini").string();
    }

    TestProgramFolder folder;
    ConfigManger config;
    PanelStub panel{config};
};

} // namespace

TEST(wTrayIconLook, StateAndLookFollowSchedulerDeviceAndRecording) {
    using S = wTrayIcon::State;
    const struct {
        bool scheduler, device, recording, scheduled;
        S state;
        const char* icon;
        const char* key;
    } cases[] = {
        {false, false, false, false, S::NoDevice, "DEVICE_NO_LP.ico", "NODEVICE "},
        {false, false, true, true, S::NoDevice, "DEVICE_NO_LP.ico", "NODEVICE "},
        {false, true, false, false, S::Listening, "DEVICE_IDLE_LP.ico", "Listening radio "},
        {false, true, true, false, S::Recording, "DEVICE_IDLE_LP.ico", "Record and replay"},
        {false, true, true, true, S::ScheduledRecording, "DEVICE_IDLE_LP.ico",
         "Schedule recording"},
        {true, true, true, false, S::Scheduler, "Scheduler.ico", "Record Scheduler"},
        {true, false, false, false, S::Scheduler, "Scheduler.ico", "Record Scheduler"},
    };
    for (const auto& c : cases) {
        const S state = wTrayIcon::StateOf(c.scheduler, c.device, c.recording, c.scheduled);
        EXPECT_EQ(state, c.state);
        EXPECT_EQ(wTrayIcon::LookOf(state).iconFile, c.icon);
        EXPECT_EQ(wTrayIcon::LookOf(state).tipKey, c.key);
    }
}

TEST_F(TrayTest, TipsComeFromTheLanguageFileWithDefaultsAndLimits) {
    wTrayIcon tray(config, panel.handle());
    useLanguage("[Tooltip]\nRecord and replay=Aufnahme\n");
    tray.refresh(wTrayIcon::State::Recording);
    EXPECT_EQ(tray.tip(), QStringLiteral("Aufnahme"));
    tray.refresh(wTrayIcon::State::Listening);
    EXPECT_EQ(tray.tip(), QStringLiteral("Listening radio"));
    tray.refresh(wTrayIcon::State::Scheduler);
    EXPECT_EQ(tray.tip(), QStringLiteral("Vorlane Scheduler"));

    // A tip of 128 characters or more is not applied; 127 is.
    useLanguage("[Tooltip]\nNODEVICE=" + std::string(128, 'n') +
                "\nListening radio=" + std::string(127, 'l') + "\n");
    tray.refresh(wTrayIcon::State::NoDevice);
    EXPECT_EQ(tray.tip(), QStringLiteral("Vorlane Scheduler"));
    tray.refresh(wTrayIcon::State::Listening);
    EXPECT_EQ(tray.tip(), QString(127, QLatin1Char('l')));

    // A missing icon file leaves no icon, but the tip still changes.
    std::filesystem::remove(folder / "Resource/DEVICE_NO_LP.ico");
    useLanguage("[Tooltip]\n");
    tray.refresh(wTrayIcon::State::NoDevice);
    EXPECT_TRUE(tray.icon().isNull());
    EXPECT_EQ(tray.tip(), QStringLiteral("Please connect phone first"));
}

TEST_F(TrayTest, MenuTextsAreReadWhenItOpensAndItsItemsPostCommands) {
    wTrayIcon tray(config, panel.handle());
    QMenu* menu = tray.menu();
    EXPECT_EQ(texts(menu).mid(0, 3),
              QStringList({"Open Vorlane", "Scheduled Tasks", "Wait for the next task"}));
    ASSERT_EQ(menu->actions().size(), 5);

    useLanguage("[MenuText]\nPopFrame=Öffnen\nExit=Beenden\n");
    Q_EMIT menu->aboutToShow();
    EXPECT_EQ(texts(menu), QStringList({"Öffnen", "Tasks", "Scheduler", "About", "Beenden"}));

    for (QAction* a : menu->actions())
        a->trigger();
    pump();
    EXPECT_EQ(panel.wParams(msg::Command),
              (std::vector<uintptr_t>{cmd::ShowPanel, cmd::ShowTaskList, cmd::EnterScheduler,
                                      cmd::About, cmd::MenuExit}));
}

TEST_F(TrayTest, ClicksAskForThePanelExceptInSchedulerMode) {
    wTrayIcon tray(config, panel.handle());
    tray.refresh(wTrayIcon::State::Listening);
    tray.onActivated(QSystemTrayIcon::DoubleClick);
    tray.onActivated(QSystemTrayIcon::Context);
    tray.onActivated(QSystemTrayIcon::MiddleClick);
    pump();
    EXPECT_EQ(panel.wParams(msg::Command), std::vector<uintptr_t>{cmd::ShowPanel});
    tray.refresh(wTrayIcon::State::Scheduler);
    tray.onActivated(QSystemTrayIcon::DoubleClick);
    tray.onActivated(QSystemTrayIcon::Trigger);
    pump();
    EXPECT_EQ(panel.wParams(msg::Command).size(), 1u);
}

TEST_F(TrayTest, WithoutATrayTheStateIsKeptAndTheIconAppearsWhenAHostStarts) {
    wTrayIcon::overrideSystemTrayAvailable(false);
    wTrayIcon tray(config, panel.handle());
    EXPECT_FALSE(tray.add(tray.icon(), QStringLiteral("VorlaneLP Recorder")));
    EXPECT_FALSE(tray.shown());
    EXPECT_EQ(tray.tip(), QStringLiteral("VorlaneLP Recorder"));
    tray.refresh(wTrayIcon::State::Recording);
    EXPECT_EQ(tray.state(), wTrayIcon::State::Recording);
    EXPECT_EQ(tray.tip(), QStringLiteral("Recording"));
    wTrayIcon::overrideSystemTrayAvailable(true);
    EXPECT_TRUE(pumpUntil([&] { return tray.shown(); }, 5 * wTrayIcon::TrayWatchMs));
    EXPECT_EQ(tray.tip(), QStringLiteral("Recording"));
    // Taken out on purpose: it does not come back by itself.
    tray.remove();
    pumpFor(wTrayIcon::TrayWatchMs + 500);
    EXPECT_FALSE(tray.shown());
    wTrayIcon::overrideSystemTrayAvailable(std::nullopt);
}
