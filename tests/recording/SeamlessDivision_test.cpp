// The recording controller on the real capture thread, fed by a device that runs on its
// own clock: divisions and stalled disks must lose no block.
#include "RecordingRig.h"
#include "audio/CRecordWriter.h"

#include <memory>
#include <mutex>
#include <thread>

using namespace vorlane;
using namespace vorlane::test;
using namespace std::chrono_literals;

namespace {

// What one file received, block by block (numbers of the fake device's blocks).
struct FileLog {
    std::string path;
    std::vector<uint32_t> blocks;
};

uint32_t blockNumber(const uint8_t* data) {
    int16_t first;
    std::memcpy(&first, data, 2);
    for (uint32_t i = 0; i < 65536; ++i)
        if (PatternSample(i, 0) == first)
            return i;
    return UINT32_MAX;
}

// A real output whose close first waits, like a slow disk or a network share.
class SlowClosingOutput : public RecordOutput {
public:
    SlowClosingOutput(std::unique_ptr<RecordOutput> inner, std::shared_ptr<FileLog> log,
                      std::chrono::milliseconds closeDelay)
        : inner_(std::move(inner)), log_(std::move(log)), delay_(closeDelay) {
        log_->blocks.reserve(4096);
    }
    bool open(const std::string& name, const WaveFormat& f) override {
        log_->path = name;
        inner_->setExternalSync(externalSync_);
        return inner_->open(name, f);
    }
    bool writeBlock(const uint8_t* data, uint32_t bytes) override {
        log_->blocks.push_back(blockNumber(data));
        return inner_->writeBlock(data, bytes);
    }
    bool close() override {
        if (!inner_->isOpen())
            return true;
        std::this_thread::sleep_for(delay_);
        const bool ok = inner_->close();
        if (failClose) {
            failed_ = true;
            return false;
        }
        return ok;
    }
    bool isOpen() const override { return inner_->isOpen(); }
    int error() const override { return failed_ ? -EIO : inner_->error(); }
    std::string errorText() const override {
        return failed_ ? log_->path + ": cannot write the trailer" : inner_->errorText();
    }
    int syncFd() const override { return inner_->syncFd(); }
    bool failClose = false;

private:
    bool failed_ = false;
    std::unique_ptr<RecordOutput> inner_;
    std::shared_ptr<FileLog> log_;
    std::chrono::milliseconds delay_;
};

class SeamlessDivision : public RecordingRig {
protected:
    void SetUp() override {
        RecordingRig::SetUp();
        services.writerPoll = nullptr;
        services.writerWaitLimitMs = 15000;
        services.sizeLimit = 1; // every size check divides
        ctl = std::make_unique<RecordingController>(panel, config, *capture, services);
        source->pace = 25ms; // a ring of 16 blocks holds 400 ms
        source->ownClock = true;
        capture->Writer().SetOutputFactory([this](FileType type) -> std::unique_ptr<RecordOutput> {
            auto log = std::make_shared<FileLog>();
            logs.push_back(log);
            auto out = std::make_unique<SlowClosingOutput>(CRecordWriter::DefaultOutput(type), log,
                                                           closeDelay);
            out->failClose = failCloses;
            return out;
        });
        capture->StartCaptureThread(0);
    }
    void waitBlocks(uint32_t n) {
        const uint32_t until = source->delivered + n;
        ASSERT_TRUE(pumpUntil([&] { return source->delivered >= until; }, 5000));
    }
    // Every file holds the blocks after those of the file before, none lost or doubled.
    void expectOneUnbrokenStream() {
        ASSERT_FALSE(logs.empty());
        ASSERT_FALSE(logs[0]->blocks.empty());
        uint32_t next = logs[0]->blocks[0];
        for (const auto& log : logs) {
            EXPECT_FALSE(log->blocks.empty()) << log->path;
            for (uint32_t b : log->blocks)
                ASSERT_EQ(b, next++) << log->path;
        }
        EXPECT_LE(next, source->delivered.load());
        EXPECT_EQ(source->overrunCount.load(), 0u);
        EXPECT_EQ(capture->RecordingDropouts(), 0u);
    }

    std::vector<std::shared_ptr<FileLog>> logs;
    std::chrono::milliseconds closeDelay{500};
    bool failCloses = false;
};

class SeamlessDivisionByFormat : public SeamlessDivision,
                                 public ::testing::WithParamInterface<int> {};

} // namespace

TEST_P(SeamlessDivisionByFormat, TenDivisionsOfEveryKindLoseAndDoubleNoBlock) {
    config.RecordFileType = GetParam();
    startRecording();
    for (int d = 0; d < 10; ++d) {
        waitBlocks(5);
        const std::string before = ctl->CurrentFileName();
        switch (d % 4) {
        case 0: // by hand
            config.RecordDiviType = 0;
            ctl->OnRecDivi();
            break;
        case 1: // by time
            config.RecordDiviType = 1;
            config.RecordDiviSecondTime = 1;
            clock.advance(1000);
            ctl->OnClockTick();
            serve();
            break;
        case 2: // on silence
            config.RecordDiviType = 2;
            ctl->OnSilenceSplitRequested();
            serve();
            break;
        default: // by size
            config.RecordDiviType = 0;
            clock.advance(10000);
            ctl->OnClockTick();
            serve();
            break;
        }
        ASSERT_NE(ctl->CurrentFileName(), before) << "division " << d;
    }
    waitBlocks(5);
    ctl->OnDeviceGone(); // the capture thread, parked, closes the last file

    ASSERT_EQ(logs.size(), 11u);
    ASSERT_EQ(tagged.size(), 11u);
    EXPECT_TRUE(panel.errors.empty()) << panel.errors.front();
    expectOneUnbrokenStream();
    const uint32_t frames = kBlock / 4;
    for (size_t i = 0; i < logs.size(); ++i) {
        const FileLog& log = *logs[i];
        EXPECT_EQ(tagged[i].path, log.path);
        const size_t n = log.blocks.size();
        if (GetParam() == 0) {
            EXPECT_TRUE(tagged[i].complete) << log.path;
            std::string expected;
            for (uint32_t b : log.blocks) {
                auto s = source->blockSamples(b, kBlock);
                expected.append(reinterpret_cast<const char*>(s.data()), kBlock);
            }
            const std::string file = readBytes(log.path);
            ASSERT_EQ(file.size(), 46 + n * kBlock) << log.path;
            EXPECT_TRUE(file.compare(46, std::string::npos, expected) == 0) << log.path;
        } else if (GetParam() == 1) {
            EXPECT_EQ(FfmpegDecode(log.path).size(), 2 * n * frames) << log.path;
        } else if (GetParam() == 3) {
            // Lossless: the file holds exactly the blocks it was given.
            std::vector<int16_t> expected;
            for (uint32_t b : log.blocks) {
                auto s = source->blockSamples(b, kBlock);
                expected.insert(expected.end(), s.begin(), s.end());
            }
            const FlacDecoded d = FlacDecode(log.path);
            EXPECT_TRUE(d.ok && d.signatureMatches) << log.path;
            EXPECT_TRUE(d.samples == expected) << log.path;
        } else {
            // The decoder leaves out the first 2,048 samples; the last frame is padded.
            const double got = static_cast<double>(FfmpegDecode(log.path).size() / 2);
            EXPECT_NEAR(got, static_cast<double>(n * frames), 2048.0) << log.path;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, SeamlessDivisionByFormat, ::testing::Values(0, 1, 2, 3),
                         [](const auto& info) {
                             return std::string(info.param == 0   ? "Wav"
                                                : info.param == 1 ? "Mp3"
                                                : info.param == 2 ? "Wma"
                                                                  : "Flac");
                         });

// Forcing the file to disk and closing it each take 3 s here; capture goes on meanwhile.
TEST_F(SeamlessDivision, StalledSyncAndCloseLoseNoBlock) {
    closeDelay = 3000ms;
    std::atomic<int> stalls{0};
    capture->Writer().Closer().SetSyncCall([&](int) {
        stalls.fetch_add(1);
        std::this_thread::sleep_for(3000ms);
        return 0;
    });
    startRecording();
    waitBlocks(RecordCloser::kSyncMs / 25 + 20); // the first sync has begun
    ctl->OnRecDivi();
    waitBlocks(60);
    ctl->OnRecStop();
    EXPECT_GE(stalls.load(), 1);
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(tagged.size(), 2u);
    EXPECT_TRUE(panel.errors.empty()) << panel.errors.front();
    expectOneUnbrokenStream();
    EXPECT_GE(logs[0]->blocks.size() + logs[1]->blocks.size(), 120u);
}

TEST_F(SeamlessDivision, AnOverrunIsShownWhileRecordingAndReportedAtTheStop) {
    startRecording();
    waitBlocks(4);
    clock.advance(1000);
    ctl->OnClockTick();
    EXPECT_EQ(panel.timeLabel, "00:00:01"); // nothing shown while nothing was lost
    source->overrunCount.fetch_add(1);      // the device reports an overrun
    waitBlocks(2);
    clock.advance(1000);
    ctl->OnClockTick();
    EXPECT_EQ(panel.timeLabel, "00:00:02  dropouts: 1");
    ctl->OnRecStop();
    ASSERT_EQ(panel.errors.size(), 1u);
    EXPECT_NE(panel.errors[0].find("lost sound 1 time "), std::string::npos) << panel.errors[0];
}

// A file whose completion fails (trailer, flush, sync) is not passed off as good.
TEST_F(SeamlessDivision, FailedCloseIsShownAtADivisionAndAtTheStop) {
    failCloses = true;
    startRecording();
    waitBlocks(4);
    ctl->OnRecDivi();
    waitBlocks(4);
    ctl->OnRecStop();
    ASSERT_EQ(logs.size(), 2u);
    ASSERT_EQ(panel.errors.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_NE(panel.errors[i].find("could not be completed: " + logs[i]->path +
                                       ": cannot write the trailer"),
                  std::string::npos)
            << panel.errors[i];
    }
    expectOneUnbrokenStream();
}
