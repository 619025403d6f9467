#include "AudioTestSupport.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "audio/CSoundCapture.h"
#include "audio/NullMonitorSink.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <stdexcept>

using namespace vorlane;
using namespace vorlane::test;
namespace fs = std::filesystem;

namespace {
// An engine on a fake sound card and a null monitor, driven step by step.
struct Engine {
    FakeCaptureSource* source;
    NullMonitorSink* monitor;
    std::unique_ptr<CSoundCapture> capture;
    std::atomic<int> volume{100}, balance{50}, type{0xD201};

    explicit Engine(bool withMonitor = true) {
        auto s = std::make_unique<FakeCaptureSource>();
        auto m = withMonitor ? std::make_unique<NullMonitorSink>() : nullptr;
        source = s.get();
        monitor = m.get();
        capture = std::make_unique<CSoundCapture>(std::move(s), std::move(m));
        capture->BindSettings(volume, balance, type);
    }
    void start() {
        ASSERT_EQ(capture->Init(), 0);
        ASSERT_EQ(capture->Start(), 0);
    }
    void steps(int n) {
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(capture->ProcessNotification(), 0);
    }
    // Records n blocks into file, then the block that serves the stop request.
    void record(const fs::path& file, int n, FileType fileType = FileType::Wav) {
        ASSERT_TRUE(capture->StartRecording(file, fileType));
        steps(n);
        capture->RequestStop();
        steps(1);
    }
};
} // namespace

TEST(CSoundCapture, InitOpensTheDeviceForTheTypeCode) {
    Engine e;
    e.source->devices = {{"hw-a", "USB PnP Audio Device A"},
                         {"hw-b", "SSS USB Audio Device"},
                         {"hw-c", "USB PnP Audio Device B"}};
    ASSERT_EQ(e.capture->Init(), 0);
    EXPECT_EQ(e.source->openedId, "hw-c");
    e.type = 0xD401; // nothing matches: the default device
    ASSERT_EQ(e.capture->Init(), 0);
    EXPECT_EQ(e.source->openedId, "");
    EXPECT_EQ(e.capture->BlockSize(), kBlock);
}

TEST(CSoundCapture, RecordingOfKBlocksHasTheirSizesAndSamples) {
    TestProgramFolder dir(false);
    fs::path file = dir / "rec.wav";
    Engine e;
    e.start();
    e.steps(2); // before the recording
    ASSERT_TRUE(e.capture->StartRecording(file, FileType::Wav));
    EXPECT_TRUE(e.capture->IsRecording());
    e.steps(5);
    e.capture->RequestStop();
    EXPECT_TRUE(e.capture->IsRecording()); // served by the next step
    e.steps(1);
    EXPECT_FALSE(e.capture->IsRecording());
    e.steps(2);                                      // after it
    EXPECT_EQ(SoxDecode(file), PatternBlocks(2, 6)); // the header's layout is the writer's test
    EXPECT_EQ(e.capture->BlockCount(), 10u);
    EXPECT_EQ(e.monitor->blocksWritten(), 10u);
    EXPECT_EQ(e.capture->RecordError(), 0);
}

TEST(CSoundCapture, GainAndBalanceApplyWithoutAMonitorOutput) {
    TestProgramFolder dir(false);
    Engine e(false);
    e.volume = 80;
    e.balance = 75;
    e.type = 0xD105;
    e.start();
    EXPECT_TRUE(e.capture->PlaybackFailed());
    e.record(dir / "g.wav", 1);
    auto got = SoxDecode(dir / "g.wav");
    auto in = PatternBlocks(0, 2);
    ASSERT_EQ(got.size(), in.size());
    const double gain = 0.8f; // the volume factor is a 32-bit float
    for (size_t i = 0; i < in.size(); ++i)
        ASSERT_EQ(got[i], static_cast<int16_t>(std::trunc(in[i] * gain * (i % 2 ? 1.0 : 0.5))))
            << i << " from " << in[i];
    // The meter sees the scaled block too.
    ChannelQueue& q = e.capture->Channels();
    while (q.front() && q.front()->number < 1)
        q.pop();
    ASSERT_NE(q.front(), nullptr);
    const ChannelBlock& c = *q.front();
    EXPECT_EQ(c.bytesPerChannel, kBlock / 2);
    EXPECT_EQ(c.left[7], got[kBlock / 2 + 14]);
    EXPECT_EQ(c.right[7], got[kBlock / 2 + 15]);
}

TEST(CSoundCapture, PausedBlocksAreMeteredButNotWritten) {
    TestProgramFolder dir(false);
    LogWindow owner;
    ASSERT_TRUE(owner.create());
    Engine e;
    e.capture->SetOwnerWindow(owner.handle());
    e.start();
    e.capture->TogglePause(); // not recording: no effect
    EXPECT_FALSE(e.capture->IsPaused());
    ASSERT_TRUE(e.capture->StartRecording(dir / "p.wav", FileType::Wav));
    e.steps(1);
    e.capture->TogglePause();
    ASSERT_TRUE(e.capture->IsPaused());
    ChannelQueue& q = e.capture->Channels();
    while (q.front() && q.front()->number < 1)
        q.pop();
    for (uint32_t i = 1; i <= 3; ++i) {
        e.steps(1);
        ASSERT_NE(q.front(), nullptr);
        EXPECT_EQ(q.front()->number, i);
        EXPECT_EQ(q.front()->left[0], PatternSample(i, 0)); // the meter moves
        q.pop();
    }
    e.capture->TogglePause();
    e.steps(1);
    e.capture->RequestStop();
    e.steps(1);
    auto want = PatternBlocks(0, 6);
    want.erase(want.begin() + kBlock / 2, want.begin() + 2 * kBlock); // the paused blocks 1-3
    EXPECT_EQ(SoxDecode(dir / "p.wav"), want);
    EXPECT_TRUE(pumpUntil([&] { return owner.count(msg::BlockCaptured) == 6u; }, 2000));
}

// A stop is served by the next step whatever state capture is in, and nothing is written
// after it.
TEST(CSoundCapture, StopIsServedInEveryState) {
    struct Case {
        const char* what;
        std::function<void(Engine&)> before;
        uint32_t first, count; // the blocks the file holds
    } cases[] = {
        {"paused", [](Engine& e) { e.steps(2), e.capture->TogglePause(); }, 0, 2},
        {"pause cleared first, as the controller does: the next block still goes in",
         [](Engine& e) {
             e.capture->TogglePause();
             e.steps(1);
             e.capture->ClearPause();
         },
         1, 1},
        {"the device delivers nothing any more",
         [](Engine& e) { e.steps(2), e.source->starve = true; }, 0, 2},
        {"the device failed",
         [](Engine& e) {
             e.source->failAtBlock = 3;
             e.steps(3);
             EXPECT_EQ(e.capture->ProcessNotification(), -ENODEV);
             EXPECT_TRUE(e.capture->CaptureFailed());
         },
         0, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestProgramFolder dir(false);
        Engine e;
        e.start();
        ASSERT_TRUE(e.capture->StartRecording(dir / "s.wav", FileType::Wav));
        c.before(e);
        e.capture->RequestStop();
        e.steps(1);
        EXPECT_FALSE(e.capture->IsRecording());
        EXPECT_EQ(SoxDecode(dir / "s.wav"), PatternBlocks(c.first, c.count));
    }
}

// An MP3 recording is encoded at the bound bit rate.
TEST(CSoundCapture, RecordsMp3AtTheBoundBitRate) {
    TestProgramFolder dir(false);
    Engine e;
    std::atomic<int> bitRate{4};
    e.capture->BindBitRate(bitRate);
    e.start();
    e.record(dir / "engine.mp3", 16, FileType::Mp3);
    EXPECT_EQ(e.capture->RecordError(), 0) << e.capture->RecordErrorText();
    EXPECT_EQ(Ffprobe(dir / "engine.mp3")["bit_rate"], "320000");
}

// A failed start leaves the writer ready; a start while recording leaves the open file
// alone.
TEST(CSoundCapture, StartRecordingFailsCleanlyAndIsNotRepeated) {
    TestProgramFolder dir(false);
    Engine e;
    e.start();
    EXPECT_FALSE(e.capture->StartRecording(dir / "no-such-folder" / "x.wav", FileType::Wav));
    EXPECT_FALSE(e.capture->IsRecording());
    EXPECT_EQ(e.capture->RecordError(), -ENOENT);
    e.steps(1);
    // A good start afterwards works and clears the error.
    ASSERT_TRUE(e.capture->StartRecording(dir / "first.wav", FileType::Wav));
    EXPECT_EQ(e.capture->RecordError(), 0);
    e.steps(1);
    e.record(dir / "second.wav", 1); // the start is a no-op
    EXPECT_FALSE(fs::exists(dir / "second.wav"));
    EXPECT_EQ(SoxDecode(dir / "first.wav"), PatternBlocks(1, 3));
}

namespace {
// An output that fails in a way no real one does here: it throws.
class ThrowingOutput : public RecordOutput {
public:
    bool open(const std::string&, const WaveFormat&) override { return open_ = true; }
    bool writeBlock(const uint8_t*, uint32_t) override {
        throw std::runtime_error("encoder broke");
    }
    bool close() override {
        open_ = false;
        return true;
    }
    bool isOpen() const override { return open_; }
    int error() const override { return 0; }
    std::string errorText() const override { return {}; }

private:
    bool open_ = false;
};
} // namespace

TEST(CSoundCapture, FailuresInsideAStepDoNotStopCapture) {
    Engine e;
    e.capture->Writer().SetOutputFactory(
        [](FileType) { return std::make_unique<ThrowingOutput>(); });
    e.start();
    ASSERT_TRUE(e.capture->StartRecording("ignored", FileType::Wav));
    e.steps(1);
    EXPECT_FALSE(e.capture->IsRecording()); // the output's failure ended the recording
    EXPECT_EQ(e.capture->RecordErrorText(), "encoder broke");

    // A failure of the device step rebuilds the engine and capture goes on.
    e.source->throwAtBlock = 2;
    e.steps(2);
    EXPECT_EQ(e.source->opens, 2);
    e.steps(2);
    EXPECT_EQ(e.capture->BlockCount(), 4u);
}

// On the capture thread: a stop is served by the read time-out when the device delivers
// nothing, and a shutdown with a recording open completes the file and ends the thread.
TEST(CSoundCapture, CaptureThreadServesStopsAndShutdown) {
    TestProgramFolder dir(false);
    Engine e;
    e.source->starveWaits = true;
    e.source->pace = std::chrono::milliseconds(2);
    e.capture->StartCaptureThread(0);
    e.start();
    ASSERT_TRUE(e.capture->StartRecording(dir / "u.wav", FileType::Wav));
    e.source->starve = true;
    e.capture->RequestStop();
    EXPECT_TRUE(pumpUntil([&] { return !e.capture->IsRecording(); }, 5000));

    e.source->starve = false;
    ASSERT_TRUE(e.capture->StartRecording(dir / "w.wav", FileType::Wav));
    uint32_t before = e.source->delivered;
    ASSERT_TRUE(pumpUntil([&] { return e.source->delivered >= before + 3; }, 5000));
    e.capture->ShutdownCapture();
    EXPECT_FALSE(e.capture->IsRecording());
    std::string w = readBytes(dir / "w.wav");
    ASSERT_GT(w.size(), 46u);
    EXPECT_EQ(Le32(w, 42), w.size() - 46);
    e.capture->ShutdownCapture(); // a second call is harmless
}

// Held-back blocks: a division names the block the next file starts with; a block that
// already went out moves the cut to the oldest one held; a stop writes what is held.
TEST(CSoundCapture, DivisionLandsOnTheNamedHeldBlockAndTheStopWritesTheRest) {
    struct Case {
        const char* name;
        uint64_t startBlock;
        uint32_t cutAt;
    } cases[] = {{"held block", 8, 8},
                 {"block already written", 0, 15 - BlockLookBehind::kCapacity},
                 {"now", CRecordWriter::kDivideNow, 15}};
    for (const Case& c : cases) {
        TestProgramFolder dir(false);
        Engine e;
        e.start();
        e.capture->SetLookBehind(BlockLookBehind::kCapacity);
        ASSERT_TRUE(e.capture->StartRecording(dir / "a.wav", FileType::Wav));
        e.steps(15);
        ASSERT_TRUE(e.capture->DivideInto(dir / "b.wav", FileType::Wav, c.startBlock));
        e.steps(3);
        e.capture->RequestStop();
        e.steps(1);
        EXPECT_FALSE(e.capture->IsRecording()) << c.name;
        EXPECT_EQ(SoxDecode(dir / "a.wav"), PatternBlocks(0, c.cutAt)) << c.name;
        EXPECT_EQ(SoxDecode(dir / "b.wav"), PatternBlocks(c.cutAt, 19 - c.cutAt)) << c.name;
    }
}

TEST(CSoundCapture, APauseWritesTheHeldBlocksAtOnce) {
    TestProgramFolder dir(false);
    Engine e;
    e.start();
    e.capture->SetLookBehind(BlockLookBehind::kCapacity);
    ASSERT_TRUE(e.capture->StartRecording(dir / "p.wav", FileType::Wav));
    e.steps(5);
    EXPECT_EQ(fs::file_size(dir / "p.wav"), 46u); // all five held
    e.capture->TogglePause();
    e.steps(2);
    EXPECT_EQ(fs::file_size(dir / "p.wav"), 46u + 5 * kBlock);
    e.capture->TogglePause();
    e.steps(2);
    e.capture->RequestStop();
    e.steps(1);
    auto want = PatternBlocks(0, 10);
    want.erase(want.begin() + 5 * kBlock / 2, want.begin() + 7 * kBlock / 2);
    EXPECT_EQ(SoxDecode(dir / "p.wav"), want);
}
