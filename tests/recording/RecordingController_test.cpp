#include "RecordingRig.h"
#include "audio/WavFileWriter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace vorlane;
using namespace vorlane::test;
namespace fs = std::filesystem;

using States = std::vector<uintptr_t>;

namespace {
bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}
} // namespace

TEST_F(RecordingRig, StartAndStopMakeOneNamedTaggedCataloguedFile) {
    config.RecordNo = 7;
    config.RecordTrack = 12;
    config.MP3Title = "O'Brien's \"Best\"";
    config.MP3Year = "1971";
    ctl->OnRecStart(); // no device yet
    EXPECT_FALSE(ctl->Recording() || capture->IsRecording());

    startRecording();
    const std::string name = "No.07-Track012_20260305-140709.wav";
    ASSERT_TRUE(ctl->Recording());
    EXPECT_EQ(panel.fileLabel, name);
    EXPECT_EQ(panel.timeLabel, "00:00:00");
    EXPECT_TRUE(panel.labels && panel.clock && !panel.buttons[cmd::RecordStart] &&
                panel.buttons[cmd::RecordStop] && panel.buttons[cmd::RecordPause] &&
                panel.buttons[cmd::RecordDivide]);
    EXPECT_EQ(states(), States{1});
    play(3500);
    EXPECT_EQ(panel.timeLabel, "00:00:03");
    play(56000); // 59.5 s in all
    ctl->OnRecStop();

    using Rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ(rows(), (Rows{{"2026-03-05 14:07:09", "00:01:00", dir + name, name,
                             "O'Brien's \"Best\"", "", "", "1971", ""}}));
    expectOneFinished("8");
    EXPECT_EQ(dataBytes(dir + name), source->delivered * kBlock); // every block from start to stop
    EXPECT_EQ(std::pair(panel.recordNoSpinner, panel.trackSpinner), std::pair(8, 1));
    EXPECT_TRUE(panel.idle() && !ctl->Recording());
    ctl->OnRecStop(); // nothing left to stop
    EXPECT_EQ(rows().size(), 1u);
}

TEST_F(RecordingRig, ThreeDivisionsAndAStopGiveFourFilesAndRows) {
    startRecording();
    for (int i = 0; i < 3; ++i) {
        play(2000);
        ctl->OnRecDivi();
        EXPECT_EQ(saved("RecordTrack"), std::to_string(i + 2));
    }
    play(2000);
    ctl->OnRecStop();

    auto r = rows();
    ASSERT_EQ(r.size(), 4u);
    ASSERT_EQ(tagged.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "No.01-Track%.3d_20260305-1407%.2d.wav", i + 1, 9 + 2 * i);
        EXPECT_EQ(r[i][3], name);
        EXPECT_EQ(r[i][1], "00:00:02");
        EXPECT_EQ(tagged[i].path, dir + name);
        EXPECT_EQ(tagged[i].track, i + 1);
        EXPECT_TRUE(tagged[i].complete);
        EXPECT_EQ(tagged[i].nextRecording, i < 3); // tagging takes no time from the next file
    }
    EXPECT_EQ(std::pair(saved("RecordNo"), saved("RecordTrack")),
              (std::pair<std::string, std::string>("2", "1")));
    EXPECT_EQ(states(), (States{1, 0})); // one recording for the device
}

TEST_F(RecordingRig, DivisionTypeSetsTheDivideButtonAndWhetherSilenceDivides) {
    ctl->OnDeviceReady(0xD201);
    for (int type : {0, 1, 2}) {
        config.RecordDiviType = type;
        panel.posted.clear();
        ctl->OnSilenceSplitRequested();
        EXPECT_EQ(panel.posted.size(), type == 2 ? 1u : 0u) << type;
        ctl->OnRecStart();
        EXPECT_EQ(panel.buttons[cmd::RecordDivide], type == 0) << type;
        config.RecordDiviType = type == 0 ? 1 : 0;
        ctl->OnDivisionTypeChanged();
        EXPECT_EQ(panel.buttons[cmd::RecordDivide], type != 0) << type;
        ctl->OnRecStop();
    }
    // Silence does not divide while paused.
    config.RecordDiviType = 2;
    ctl->OnRecStart();
    ctl->OnRecPause();
    panel.posted.clear();
    ctl->OnSilenceSplitRequested();
    EXPECT_TRUE(panel.posted.empty());
    ctl->OnRecPause();
    ctl->OnSilenceSplitRequested();
    EXPECT_EQ(panel.posted, std::deque<uint32_t>{cmd::RecordDivide});
}

// The second division comes before the capture side has made the first one.
TEST_F(RecordingRig, TwoDivisionsInARowGoOnRecording) {
    startRecording();
    play(500);
    ctl->OnRecDivi();
    ctl->OnRecDivi();
    EXPECT_TRUE(panel.errors.empty()) << panel.errors.front();
    EXPECT_TRUE(ctl->Recording());
    play(500);
    EXPECT_TRUE(capture->IsRecording());
    ctl->OnRecStop();
    EXPECT_EQ(rows().size(), 3u);
}

TEST_F(RecordingRig, DivisionByTimeLeavesPausesOut) {
    config.RecordDiviType = 1;
    config.RecordDiviSecondTime = 5;
    startRecording();
    play(3000);
    ctl->OnRecPause();
    EXPECT_TRUE(ctl->Paused() && !panel.clock);
    play(60000);
    ctl->OnRecPause();
    play(1000);
    EXPECT_EQ(panel.timeLabel, "00:00:04"); // goes on from 3
    play(1000);                             // the 5th second divides
    EXPECT_EQ(ctl->CurrentFileName(), "No.01-Track002_20260305-140814.wav");
    // The block after the division goes to the next file.
    EXPECT_EQ(dataBytes(dir + "No.01-Track001_20260305-140709.wav"), (24u + 16u) * kBlock);

    play(1000);
    ctl->OnRecPause();
    play(30000);
    ctl->OnRecStop(); // while paused: the pause does not count either
    auto r = rows();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0][1], "00:00:05");
    EXPECT_EQ(r[1][1], "00:00:01");

    ctl->OnRecStart();
    play(4000);
    clock.advance(2500); // the panel was busy: no tick at 5 s
    ctl->OnClockTick();
    EXPECT_EQ(panel.posted, std::deque<uint32_t>{cmd::RecordDivide});
}

TEST_F(RecordingRig, SizeLimitDividesAtTheNextMultipleOfTenSeconds) {
    const std::string path = startRecording();
    play(10000);
    fs::resize_file(path, RecordingController::kSizeLimit - 1); // sparse: costs no disk
    play(10000);
    fs::resize_file(path, RecordingController::kSizeLimit);
    play(9000);
    EXPECT_EQ(ctl->CurrentFilePath(), path);
    play(1000);
    EXPECT_TRUE(has(ctl->CurrentFileName(), "Track002_20260305-140739")) << ctl->CurrentFileName();
    ctl->OnRecStop();
}

TEST_F(RecordingRig, DeviceRemovalFinishesTheRecording) {
    config.RecordNo = 4;
    const std::string path = startRecording();
    play(3000);
    ctl->OnDeviceGone();

    expectOneFinished("5", "00:00:03");
    EXPECT_EQ(dataBytes(path), source->delivered * kBlock);
    EXPECT_TRUE(panel.idle() && !ctl->DevicePresent() && !ctl->Recording());
    EXPECT_EQ(source->closes, 1);

    startRecording();
    EXPECT_TRUE(has(ctl->CurrentFileName(), "No.05-Track001_"));
    ctl->OnRecStop();
}

TEST_F(RecordingRig, FileThatCannotBeCreatedIsReportedAndLeavesNothing) {
    config.RecordNo = 3;
    const std::string blocked = dir + "No.03-Track001_20260305-140709.wav";
    fs::create_directories(blocked);
    startRecording();
    ASSERT_EQ(panel.errors.size(), 1u);
    EXPECT_TRUE(has(panel.errors[0], blocked + ": ")) << panel.errors[0];
    EXPECT_TRUE(has(panel.errors[0], "Is a directory")) << panel.errors[0];
    EXPECT_FALSE(ctl->Recording() || capture->IsRecording());
    EXPECT_TRUE(panel.idle());
    play(2000);
    ctl->OnRecDivi();
    ctl->OnRecStop();
    EXPECT_TRUE(rows().empty() && tagged.empty() && states().empty());
    EXPECT_EQ(config.RecordNo, 3);
    EXPECT_EQ(saved("RecordNo"), "1");

    ctl->OnRecStart(); // two seconds later the name is free
    EXPECT_TRUE(ctl->Recording());
}

TEST_F(RecordingRig, RecordFolderFallsBackToTheDocumentsFolder) {
    const std::string fallback = (folder / "Documents" / "VorlaneLP Record Files").string();
    const std::string fresh = (folder / "fresh").string();
    folder.writeFile("afile", "x");
    struct Case {
        std::string folder, used;
    } cases[] = {
        {fresh, fresh},                                    // one level is made
        {(folder / "gone" / "deeper").string(), fallback}, // but not two
        {(folder / "afile").string(), fallback},           // and a file is no folder
    };
    ctl->OnDeviceReady(0xD201);
    for (const Case& c : cases) {
        ConfigManger::WriteSetting("Option", "RecordFilePath", "as-saved");
        config.RecordFilePath = c.folder;
        ctl->OnRecStart();
        EXPECT_EQ(ctl->CurrentFilePath(), c.used + "/" + ctl->CurrentFileName());
        EXPECT_TRUE(fs::is_regular_file(ctl->CurrentFilePath())) << c.folder;
        EXPECT_EQ(config.RecordFilePath, c.used);
        EXPECT_EQ(saved("RecordFilePath"), c.used == fallback ? fallback : "as-saved");
        ctl->OnRecStop();
    }
    EXPECT_FALSE(fs::exists(folder / "gone"));
}

TEST_F(RecordingRig, ScheduledRecordingWithAndWithoutCatalogue) {
    ctl->OnDeviceReady(0xD201);
    for (bool catalogueOpen : {true, false}) {
        if (!catalogueOpen)
            db.Close();
        ctl->OnScheduledStart("FM 98.1");
        ASSERT_TRUE(ctl->Recording() && ctl->ScheduledRecording());
        play(2000);
        ctl->OnRecDivi();
        EXPECT_TRUE(has(ctl->CurrentFileName(), "_FM 98.1.wav"));
        play(2000);
        ctl->OnScheduledStop();
        EXPECT_FALSE(ctl->Recording() || ctl->ScheduledRecording());
        EXPECT_TRUE(panel.idle());
        EXPECT_EQ(endActions, catalogueOpen ? 1 : 2);
    }
    EXPECT_EQ(rows().size(), 2u); // none while the catalogue was closed
    EXPECT_EQ(tagged.size(), 4u);
    EXPECT_EQ(saved("RecordNo"), "3");
    EXPECT_EQ(states(), (States{1, 0, 1, 0}));
    EXPECT_EQ(keptAwake, (std::vector<bool>{true, false, true, false}));
    EXPECT_TRUE(panel.errors.empty());

    // A recording started by hand is not the scheduler's to stop, nor to restart.
    ctl->OnRecStart();
    const std::string name = ctl->CurrentFileName();
    ctl->OnScheduledStart("News");
    ctl->OnScheduledStop();
    EXPECT_EQ(ctl->CurrentFileName(), name);
    EXPECT_TRUE(ctl->Recording() && endActions == 2);
    ctl->OnRecStop();

    // A scheduled recording cut short by the device still ends with the task's action.
    ctl->OnScheduledStart("News");
    play(1000);
    ctl->OnDeviceGone();
    EXPECT_EQ(endActions, 2);
    ctl->OnScheduledStop();
    ctl->OnScheduledStop();
    EXPECT_EQ(endActions, 3);
}

TEST_F(RecordingRig, WriterThatDoesNotFinishInTimeDoesNotHoldThePanel) {
    config.RecordTrack = 3;
    const std::string path = startRecording();
    play(2000);
    engineResponds = false;
    ctl->OnRecStop();
    ASSERT_EQ(panel.errors.size(), 1u);
    EXPECT_TRUE(has(panel.errors[0], "still being written"));
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_TRUE(tagged.empty()); // not while the writer still has the file
    EXPECT_TRUE(panel.idle() && !ctl->Recording());
    EXPECT_EQ(states(), (States{1, 0}));

    engineResponds = true;
    capture->ProcessNotification(); // the writer catches up
    ctl->OnRecStart();
    ASSERT_EQ(tagged.size(), 1u);
    EXPECT_EQ(tagged[0].path, path);
    EXPECT_EQ(tagged[0].track, 3); // its own track, not the current one
    EXPECT_TRUE(tagged[0].complete);
    EXPECT_TRUE(has(ctl->CurrentFileName(), "No.02-Track001_"));
}

// A full disk (a file size limit here) ends the recording: the file keeps what reached the
// disk and states its length, the row gets that length, and the user hears of it once.
TEST_F(RecordingRig, FullDiskEndsTheRecordingWithTheLengthItKept) {
    struct Case {
        int type;
        uint64_t limit;
    } cases[] = {{0, 46 + 24 * kBlock + 1000}, {1, 60000}, {2, 100000}};
    ctl->OnDeviceReady(0xD201);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        config.RecordFileType = c.type;
        panel.errors.clear();
        const size_t rowsBefore = rows().size();
        ctl->OnRecStart();
        const std::string path = ctl->CurrentFilePath();
        {
            FileSizeLimit small(c.limit);
            play(12000);
        }
        ASSERT_EQ(panel.errors.size(), 1u) << panel.errors[0] << " / " << panel.errors.back();
        EXPECT_TRUE(has(panel.errors[0], "Recording stopped: ") &&
                    has(panel.errors[0], "File too large"))
            << panel.errors[0];
        EXPECT_TRUE(panel.idle() && !ctl->Recording());

        EXPECT_TRUE(DecodesCleanly(path));
        const double decoded = FfmpegDecode(path).size() / 2 / 44100.0;
        EXPECT_GT(decoded, 2.0);
        EXPECT_NEAR(std::atof(Ffprobe(path)["duration"].c_str()), decoded, 0.1);
        auto r = rows();
        ASSERT_EQ(r.size(), rowsBefore + 1);
        EXPECT_EQ(r.back()[2], path);
        int h = -1, m = -1, sec = -1;
        std::sscanf(r.back()[1].c_str(), "%d:%d:%d", &h, &m, &sec);
        EXPECT_LE(std::abs(h * 3600 + m * 60 + sec - decoded), 0.5) << r.back()[1];
        ASSERT_FALSE(tagged.empty());
        EXPECT_EQ(tagged.back().path, path);
    }
    EXPECT_EQ(saved("RecordNo"), "4");
}

// Record pressed on a full disk: in every format the start is refused at once, as when the
// file cannot be made: no file, no row, the counters as they were. A disk with room for a
// file's header but not for its sound ends the same way a moment later.
TEST_F(RecordingRig, RecordOnAFullDiskLeavesNoFileNoRowAndTheCountersAsTheyWere) {
    struct Case {
        int type;
        uint64_t limit;
        bool atOnce;
    } cases[] = {{0, 0, true},     {1, 0, true},          {2, 0, true},
                 {3, 0, true},     {0, 46 + 2, false},    {1, 4096 + 600, false},
                 {2, 2000, false}, {3, 4096 + 600, false}};
    ctl->OnDeviceReady(0xD201);
    config.RecordNo = 5;
    config.RecordTrack = 3;
    ASSERT_TRUE(config.SaveCounters());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + std::to_string(c.limit));
        config.RecordFileType = c.type;
        panel.errors.clear();
        const size_t statesBefore = states().size();
        {
            FileSizeLimit full(c.limit);
            ctl->OnRecStart();
            EXPECT_EQ(ctl->Recording(), !c.atOnce);
            // Until the writer gives up; the catalogue and the settings are on other disks.
            for (int i = 0; i < 64 && capture->IsRecording(); ++i) {
                capture->ProcessNotification();
                clock.advance(125);
            }
            EXPECT_FALSE(capture->IsRecording());
        }
        play(2000);
        EXPECT_TRUE(panel.idle() && !ctl->Recording());
        ASSERT_EQ(panel.errors.size(), 1u) << panel.errors.back();
        EXPECT_TRUE(has(panel.errors[0], "The recording could not be started: ") &&
                    has(panel.errors[0], "File too large"))
            << panel.errors[0];
        EXPECT_TRUE(fs::is_empty(dir));
        EXPECT_TRUE(rows().empty());
        EXPECT_EQ(std::pair(saved("RecordNo"), saved("RecordTrack")),
                  (std::pair<std::string, std::string>("5", "3")));
        EXPECT_EQ(std::pair(config.RecordNo.load(), config.RecordTrack.load()), std::pair(5, 3));
        // The device hears of a recording only when one ran.
        EXPECT_EQ(states().size() - statesBefore, c.atOnce ? 0u : 2u);
    }
    EXPECT_TRUE(tagged.empty());
}

TEST_F(RecordingRig, ExitFinishesTheRecordingInProgress) {
    startRecording();
    play(1500);
    ctl->FinishAtExit();
    ctl->FinishAtExit();
    expectOneFinished("2", "00:00:02");
}

TEST_F(RecordingRig, DeviceArrivalStartsCaptureOnceAndSaysWhenItCannot) {
    config.SilenceRecording = 1;
    ctl->OnDeviceReady(0xD201);
    ctl->OnDeviceReady(0xD201);
    EXPECT_EQ(std::tuple(inputVolumeCalls, source->opens.load(), source->starts.load()),
              std::tuple(1, 1, 1));
    EXPECT_EQ(capture->MonitorVolume(), RecordingController::kSilentMonitor);
    EXPECT_TRUE(panel.errors.empty());
    ctl->OnDeviceGone();
    source->openError = -EBUSY;
    ctl->OnDeviceReady(0xD201);
    ASSERT_EQ(panel.errors.size(), 1u);
    EXPECT_TRUE(has(panel.errors[0], "could not be opened"));
}

TEST_F(RecordingRig, FileTypeReachesTheWriter) {
    std::vector<FileType> made;
    capture->Writer().SetOutputFactory([&](FileType type) {
        made.push_back(type);
        return std::make_unique<WavFileWriter>();
    });
    ctl->OnDeviceReady(0xD201);
    for (int type : {0, 1, 2, 7}) {
        config.RecordFileType = type;
        ctl->OnRecStart();
        ctl->OnRecStop();
    }
    EXPECT_EQ(made,
              (std::vector<FileType>{FileType::Wav, FileType::Mp3, FileType::Wma, FileType::Mp3}));
    EXPECT_TRUE(has(tagged[2].path, ".wma") && has(tagged[3].path, ".mp3"));
}
