#pragma once

#include "AudioTestSupport.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "audio/CSoundCapture.h"
#include "audio/NullMonitorSink.h"
#include "catalogue/ADOConnection.h"
#include "catalogue/ADORecordset.h"
#include "catalogue/CatalogueOpener.h"
#include "catalogue/CatalogueStatements.h"
#include "config/ConfigManger.h"
#include "config/wIniFile.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "recording/RecordingController.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <map>

namespace vorlane::test {

// The panel as the controller sees it: remembers what it was told.
class FakePanel : public RecordingPanel {
public:
    std::map<uint32_t, bool> buttons;
    bool labels = false, clock = false;
    std::string fileLabel, timeLabel;
    int recordNoSpinner = -1, trackSpinner = -1, trayRefreshes = 0;
    uint32_t clockSince = 0; // tick at which the 1 s timer was (re)started
    std::vector<std::string> errors;
    std::deque<uint32_t> posted;

    void setButtonEnabled(uint32_t id, bool on) override { buttons[id] = on; }
    void showRecordingLabels(const std::string& f, const std::string& t) override {
        labels = true;
        fileLabel = f;
        timeLabel = t;
    }
    void showElapsedTime(const std::string& t) override { timeLabel = t; }
    void hideRecordingLabels() override { labels = false; }
    void setCounterSpinners(int no, int track) override {
        recordNoSpinner = no;
        trackSpinner = track;
    }
    void refreshTray() override { ++trayRefreshes; }
    void reportError(const std::string& m) override { errors.push_back(m); }
    void setRecordingClock(bool running) override {
        clock = running;
        clockSince = Clock::current().tickCount();
    }
    void postCommand(uint32_t id) override { posted.push_back(id); }
    void notifyAway(const AwayNotice& n) override { away.push_back(n); }
    std::vector<AwayNotice> away;
    bool idle() {
        return buttons[cmd::RecordStart] && !buttons[cmd::RecordStop] &&
               !buttons[cmd::RecordDivide] && !buttons[cmd::RecordPause] && !labels && !clock;
    }
};

struct Tagged {
    std::string path;
    int track;
    bool complete;      // the WAV header states the file's true size: the writer closed it
    bool nextRecording; // the writer already records the next file
};

// A program folder with its settings and catalogue, the capture engine on a fake sound
// card, a fake clock and panel, and the controller, driven block by block.
class RecordingRig : public ::testing::Test {
protected:
    void SetUp() override {
        clock.setLocalTime({2026, 3, 5, 14, 7, 9});
        Clock::install(&clock);
        ASSERT_TRUE(config.Load());
        config.RecordFileType = 0;
        config.RecordFilePath = (folder / "Records").string();
        dir = config.RecordFilePath + "/";
        ASSERT_TRUE(CatalogueOpener::open(db, CatalogueOpener::defaultPath()).opened);
        auto s = std::make_unique<FakeCaptureSource>();
        source = s.get();
        capture =
            std::make_unique<CSoundCapture>(std::move(s), std::make_unique<NullMonitorSink>());
        capture->BindSettings(config.RecordVolume, config.RecordBalance, deviceType);
        ASSERT_TRUE(target.create());
        targetHandle = target.handle();
        services.catalogue = &db;
        services.deviceTargetWindow = &targetHandle;
        services.tagFile = [this](const std::string& p) {
            tagged.push_back(
                {p, config.RecordTrack, headerStatesTrueSize(p), capture->IsRecording()});
            return true;
        };
        services.setInputVolume = [this] { ++inputVolumeCalls; };
        services.runEndAction = [this] { ++endActions; };
        services.recordingChanged = [this](bool on) { keptAwake.push_back(on); };
        services.writerPoll = [this](int) {
            if (engineResponds)
                capture->ProcessNotification();
        };
        services.writerWaitLimitMs = 200;
        ctl = std::make_unique<RecordingController>(panel, config, *capture, services);
    }
    void TearDown() override {
        ctl.reset();
        capture.reset();
        Clock::install(nullptr);
    }

    // Sound for ms milliseconds: a block every 125 ms, a clock tick every second while the
    // clock runs, and the commands the controller posted to the panel.
    void play(int ms) {
        for (int t = 0; t < ms; t += 125) {
            capture->ProcessNotification();
            clock.advance(125);
            if (panel.clock && clock.tickCount() - panel.clockSince >= 1000) {
                panel.clockSince += 1000;
                ctl->OnClockTick();
            }
            serve();
        }
    }
    // Runs the divisions that the controller posted to the panel.
    void serve() {
        for (; !panel.posted.empty(); panel.posted.pop_front()) {
            ASSERT_EQ(panel.posted.front(), cmd::RecordDivide);
            ctl->OnRecDivi();
        }
    }
    // The device arrives and a recording starts; returns its file's path.
    std::string startRecording() {
        ctl->OnDeviceReady(0xD201);
        ctl->OnRecStart();
        return ctl->CurrentFilePath();
    }
    // One recording ended whole: catalogued, tagged once its file was complete, the
    // device told of its start and end, the machine kept awake only meanwhile, and the
    // record number moved on to recordNo.
    void expectOneFinished(const std::string& recordNo, const char* duration = nullptr) {
        auto r = rows();
        ASSERT_EQ(r.size(), 1u);
        if (duration) {
            EXPECT_EQ(r[0][1], duration);
        }
        ASSERT_EQ(tagged.size(), 1u);
        EXPECT_TRUE(tagged[0].complete);
        EXPECT_EQ(saved("RecordNo"), recordNo);
        EXPECT_EQ(states(), (std::vector<uintptr_t>{1, 0}));
        EXPECT_EQ(keptAwake, (std::vector<bool>{true, false}));
    }
    // The recording states the device target window was told, in order.
    std::vector<uintptr_t> states() {
        QCoreApplication::processEvents();
        std::vector<uintptr_t> out;
        for (const Message& m : target.of(msg::RecordingState))
            out.push_back(m.wParam);
        return out;
    }
    // Every RecordFile row, read through a connection of its own.
    std::vector<std::vector<std::string>> rows() {
        static const char* const kColumns[] = {"StartTime", "Duration", "FileFullPathName",
                                               "FileName",  "Title",    "Artist",
                                               "Album",     "Year",     "Comment"};
        std::vector<std::vector<std::string>> out;
        ADOConnection reader;
        ADORecordset rs;
        EXPECT_TRUE(reader.Open(CatalogueOpener::defaultPath(), ""));
        EXPECT_TRUE(rs.Open(reader, CatalogueStatements::allRecordings()));
        for (; rs.IsOpen() && !rs.IsEOF(); rs.MoveNext()) {
            out.emplace_back();
            for (const char* c : kColumns)
                out.back().push_back(rs.GetText(c));
        }
        return out;
    }
    // A key of section "Option" as the settings file holds it.
    static std::string saved(const std::string& key) {
        wIniFile ini;
        ini.SetFile(ConfigManger::SettingsFilePath(), "Option");
        return ini.ReadString(key, "<missing>");
    }
    static bool headerStatesTrueSize(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::string h(46, '\0');
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        return in.read(h.data(), 46) && !ec && Le32(h, 42) == size - 46 && Le32(h, 4) == size - 8;
    }
    static uint32_t dataBytes(const std::string& path) {
        std::string f = readBytes(path);
        return f.size() >= 46 ? Le32(f, 42) : 0;
    }

    TestProgramFolder folder;
    ScopedEnv documents{"XDG_DOCUMENTS_DIR", (folder / "Documents").string()};
    FakeClock clock;
    ConfigManger config;
    ADOConnection db;
    std::string dir; // the record folder, with its '/'
    std::atomic<int> deviceType{0xD201};
    FakeCaptureSource* source = nullptr;
    std::unique_ptr<CSoundCapture> capture;
    FakePanel panel;
    LogWindow target;
    std::atomic<WindowHandle> targetHandle{0};
    std::vector<Tagged> tagged;
    std::vector<bool> keptAwake; // what the controller said of the machine's sleep
    int inputVolumeCalls = 0, endActions = 0;
    bool engineResponds = true;
    RecordingServices services;
    std::unique_ptr<RecordingController> ctl;
};

} // namespace vorlane::test
