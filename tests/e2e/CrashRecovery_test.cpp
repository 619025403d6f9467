#include "AudioTestSupport.h"
#include "CatalogueQuery.h"
#include "E2eSupport.h"
#include "ProgramProcess.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace vorlane;
using namespace vorlane::test;
using Clock = std::chrono::steady_clock;

namespace {

// The real program with the simulated adapter in place of the session's device, and the
// control FIFO.
class Program : public ProgramProcess {
public:
    Program(const TestProgramFolder& folder, const fs::path& fifo)
        : ProgramProcess(folder, {{"VORLANE_SIM_DEVICE", "adapter"},
                                  {"VORLANE_SIM_CONTROL", QString::fromStdString(fifo.string())}}),
          fifo_(fifo) {}
    ~Program() {
        if (control_ >= 0)
            ::close(control_);
    }
    // The program opens its end of the FIFO once its start (and any recovery) is done.
    bool listening() {
        if (control_ < 0)
            control_ = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        return control_ >= 0;
    }
    // Writes a control line; false when the program does not listen.
    bool send(const std::string& line) {
        const std::string l = line + "\n";
        return listening() && ::write(control_, l.data(), l.size()) == ssize_t(l.size());
    }

private:
    fs::path fifo_;
    int control_ = -1;
};

// A program folder with a tone to capture, the settings to record it and a record folder.
struct RunFolder {
    void prepare(double toneSeconds, const std::string& fileType) {
        records = useToneSession(folder, {{toneSeconds, 440}, {1, 0}});
        writeSettings(
            folder, "Option",
            {{"RecordFileType", fileType}, {"RecordFileMP3BitRate", "2"}, {"RecordDiviType", "0"}});
    }
    // Presses record until the record folder holds more than `files` files (the device is
    // announced a little after the start and after each plug).
    bool startRecording(Program& p, size_t files = 0) {
        return pumpUntil(
            [&] {
                if (filesIn(records).size() > files)
                    return true;
                p.send("record");
                pumpFor(250);
                return filesIn(records).size() > files;
            },
            30000);
    }

    TestProgramFolder folder;
    fs::path records;
    fs::path fifo = folder / "control";
    fs::path db = folder / "Resource/NewData.mdb";
};

// The file type, and the division type: dividing on silence holds the newest blocks back
// until they are known to belong to this file, which a kill loses too.
class CrashRecovery : public ::testing::TestWithParam<std::tuple<int, int>>, protected RunFolder {
protected:
    int fileType() const { return std::get<0>(GetParam()); }
    void SetUp() override {
        prepare(6, std::to_string(fileType()));
        writeSettings(folder, "Option",
                      {{"RecordNo", "4"},
                       {"RecordTrack", "2"},
                       {"RecordDiviType", std::to_string(std::get<1>(GetParam()))},
                       {"RecordMuteSecond", "3"}});
        // The one tag kept from one run to the next.
        writeSettings(folder, "ID3V1Information", {{"MP3Year", "1977"}});
    }
};

} // namespace

TEST_P(CrashRecovery, AFileLeftOpenByAKillIsRepairedTaggedCataloguedAndCounted) {
    double captured = 0;
    {
        Program p(folder, fifo);
        ASSERT_TRUE(p.process.waitForStarted(10000));
        ASSERT_TRUE(startRecording(p)) << p.errors();
        const auto t0 = Clock::now();
        pumpFor(5000);
        p.signal(SIGKILL);
        captured = std::chrono::duration<double>(Clock::now() - t0).count();
        p.process.waitForFinished(5000);
    }
    auto files = filesIn(records);
    ASSERT_EQ(files.size(), 1u);
    const fs::path file = files[0];
    EXPECT_TRUE(fs::exists(folder / "RecordingJournal.txt"));
    EXPECT_TRUE(recordingRows(db).empty());

    {
        Program p(folder, fifo);
        ASSERT_TRUE(p.process.waitForStarted(10000));
        ASSERT_TRUE(pumpUntil([&] { return !fs::exists(folder / "RecordingJournal.txt"); }, 30000));
        ASSERT_TRUE(
            pumpUntil([&] { return p.errors().find("recovered") != std::string::npos; }, 10000))
            << p.errors();
        EXPECT_NE(p.errors().find(file.filename().string()), std::string::npos) << p.errors();
        EXPECT_TRUE(p.endInOrder());
    }
    EXPECT_TRUE(DecodesCleanly(file)) << file;
    const double seconds = FfmpegDecode(file).size() / 2 / 44100.0;
    EXPECT_GE(seconds, captured - 2.0) << file; // all but at most 2 s of what was captured
    std::cout << "lost " << captured - seconds << " s of " << captured << " s\n";
    EXPECT_LE(seconds, captured + 0.5) << file;
    // Players show the length the file states and seek by it.
    const auto probed = Ffprobe(file);
    ASSERT_EQ(probed.count("duration"), 1u);
    EXPECT_NEAR(std::atof(probed.at("duration").c_str()), seconds, 0.1)
        << probed.at("duration") << " " << file;
    auto rows = recordingRows(db);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].path, file.string());
    EXPECT_EQ(rows[0].year, "1977");
    EXPECT_NEAR(durationSeconds(rows[0].duration), seconds, 1.0);
    EXPECT_EQ(readSetting(folder, "Option", "RecordNo"), "5");
    EXPECT_EQ(readSetting(folder, "Option", "RecordTrack"), "1");
    if (fileType() != 0) {
        const std::string tags = FfprobeTags(file);
        EXPECT_NE(tags.find("1977"), std::string::npos) << tags;
    }
    if (fileType() == 3) {
        // Whole frames only, their count in STREAMINFO, and the signature unknown.
        const FlacDecoded d = FlacDecode(file);
        EXPECT_TRUE(d.ok);
        EXPECT_EQ(d.totalSamples * 2, d.samples.size());
        EXPECT_FALSE(d.signatureKnown);
    }

    // Told once: the journal, all that a start recovers from, is gone for good.
    EXPECT_FALSE(fs::exists(folder / "RecordingJournal.txt"));
}

INSTANTIATE_TEST_SUITE_P(Formats, CrashRecovery,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3), ::testing::Values(0, 2)),
                         [](const auto& info) {
                             const int type = std::get<0>(info.param);
                             return std::string(type == 0   ? "Wav"
                                                : type == 1 ? "Mp3"
                                                : type == 2 ? "Wma"
                                                            : "Flac") +
                                    (std::get<1>(info.param) == 2 ? "DividingOnSilence" : "");
                         });

namespace {
class Unplugging : public ::testing::Test, protected RunFolder {
protected:
    void SetUp() override {
        prepare(4, "1");
        writeSettings(folder, "Option", {{"RecordNo", "1"}});
    }
};
} // namespace

TEST_F(Unplugging, TwentyUnplugsAtRandomMomentsEachFinishAFileAndRecordingGoesOnAfter) {
    constexpr size_t kUnplugs = 20;
    Program p(folder, fifo);
    ASSERT_TRUE(p.process.waitForStarted(10000));
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> moment(200, 1500);
    for (size_t i = 0; i <= kUnplugs; ++i) {
        ASSERT_TRUE(startRecording(p, i)) << "no recording after plug " << i << "\n" << p.errors();
        pumpFor(moment(random));
        if (i == kUnplugs)
            break;
        ASSERT_TRUE(p.send("unplug"));
        // The recording is finished and catalogued as the device goes away.
        ASSERT_TRUE(
            pumpUntil([&] { return recordingRows(db).size() > i; }, 15000, kCataloguePollMs))
            << "unplug " << i << "\n"
            << p.errors();
        pumpFor(moment(random) / 4);
        ASSERT_TRUE(p.send("plug"));
    }
    ASSERT_TRUE(p.send("stop"));
    ASSERT_TRUE(
        pumpUntil([&] { return recordingRows(db).size() > kUnplugs; }, 15000, kCataloguePollMs));
    EXPECT_TRUE(p.endInOrder());

    const auto files = filesIn(records);
    const auto rows = recordingRows(db);
    ASSERT_EQ(files.size(), kUnplugs + 1);
    ASSERT_EQ(rows.size(), kUnplugs + 1);
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(rows[i].path, files[i].string());
        // Finished and playable.
        EXPECT_TRUE(DecodesCleanly(files[i])) << files[i];
        EXPECT_GT(FfmpegDecode(files[i]).size(), 2 * 4410u) << files[i];
    }
    EXPECT_EQ(readSetting(folder, "Option", "RecordNo"), std::to_string(kUnplugs + 2));
}
