#include "AudioTestSupport.h"
#include "TestProgramFolder.h"
#include "audio/CRecordWriter.h"
#include "audio/CWmvWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using namespace vorlane;
using namespace vorlane::test;
namespace fs = std::filesystem;

namespace {
constexpr uint32_t kBlock = 22048;
constexpr uint32_t kBlockFrames = kBlock / 4;

const uint8_t* bytesOf(const std::vector<int16_t>& s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

void record(CRecordWriter& w, const fs::path& file, uint32_t blocks) {
    ASSERT_TRUE(w.StartRecording(file, FileType::Wma)) << w.LastErrorText();
    for (uint32_t i = 0; i < blocks; ++i)
        w.WriteBlock(bytesOf(ToneBlock(i)), kBlock, false);
    w.RequestStop();
    w.ServeStopRequest();
    ASSERT_FALSE(w.IsRecording());
    ASSERT_EQ(w.LastError(), 0) << w.LastErrorText();
}
} // namespace

TEST(WmaRecording, EachBitRateIndexReadsBackAsItsRate) {
    struct Case {
        int index, kbps;
    } cases[] = {{0, 32}, {1, 64}, {2, 128}, {3, 192}, {4, 320}, {7, 128}};
    TestProgramFolder dir(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        fs::path file = dir / ("rate" + std::to_string(c.index) + ".wma");
        CRecordWriter w;
        std::atomic<int> index{c.index};
        w.BindBitRate(index);
        record(w, file, 8);
        auto probe = Ffprobe(file);
        EXPECT_EQ(probe["format_name"], "asf");
        EXPECT_EQ(probe["codec_name"], "wmav2");
        EXPECT_EQ(probe["bit_rate"], std::to_string(c.kbps * 1000));
        EXPECT_EQ(probe["sample_rate"], "44100");
        EXPECT_EQ(probe["channels"], "2");
    }
}

// Block k starts at k x 1,249,887 units of 100 ns; a half block moves the time by half.
TEST(WmaRecording, EveryBlockIsStampedWithItsStartTime) {
    TestProgramFolder dir(false);
    CWmvWriter w;
    ASSERT_TRUE(w.OpenWma(dir / "t.wma", WaveFormat::Capture(), 128)) << w.errorText();
    for (int64_t k = 0; k < 6; ++k) {
        EXPECT_EQ(w.SampleTime(), k * 1'249'887);
        ASSERT_EQ(w.WriteWma(bytesOf(ToneBlock(static_cast<uint32_t>(k))), kBlock), 0);
    }
    ASSERT_EQ(w.WriteWma(bytesOf(ToneBlock(6)), kBlock / 2), 0);
    EXPECT_EQ(w.SampleTime(), 6 * 1'249'887 + 624'943);
    EXPECT_TRUE(w.CloseWma());
    EXPECT_EQ(w.SampleTime(), 6 * 1'249'887 + 624'943);
}

TEST(WmaRecording, TenSecondsDecodeToTheirLengthWithSoundAtBothEnds) {
    TestProgramFolder dir(false);
    fs::path file = dir / "ten.wma";
    CRecordWriter w;
    record(w, file, 80);
    const double seconds = 80.0 * kBlockFrames / 44100;
    EXPECT_NEAR(std::stod("0" + Ffprobe(file)["duration"]), seconds, 0.05);
    std::vector<int16_t> pcm = FfmpegDecode(file);
    ASSERT_FALSE(pcm.empty());
    EXPECT_NEAR(static_cast<double>(pcm.size()) / 2 / 44100, seconds, 0.05);
    EXPECT_GT(Rms(pcm, 0, 88200), 5000);
    EXPECT_GT(Rms(pcm, pcm.size() - 88200, 88200), 5000);
}

TEST(WmaRecording, EmptyRecordingIsAValidFile) {
    TestProgramFolder dir(false);
    fs::path file = dir / "empty.wma";
    CRecordWriter w;
    record(w, file, 0);
    EXPECT_EQ(Ffprobe(file)["codec_name"], "wmav2");
    EXPECT_TRUE(DecodesCleanly(file));
}

// Large ASF packets keep the container's share small even at the highest rate.
TEST(WmaRecording, FileSizeStaysNearTheBitRate) {
    TestProgramFolder dir(false);
    fs::path file = dir / "big.wma";
    CRecordWriter w;
    std::atomic<int> index{4};
    w.BindBitRate(index);
    record(w, file, 80);
    const double seconds = 80.0 * kBlockFrames / 44100;
    EXPECT_LT(static_cast<double>(fs::file_size(file)) * 8 / seconds, 1.15 * 320000);
}

// A format or bit rate the encoder refuses fails the opening before the disk is touched.
TEST(WmaRecording, RefusedFormatLeavesNoFile) {
    TestProgramFolder dir(false);
    const std::string old = "an older recording";
    WriteBytes(dir / "old.wma", old.data(), old.size());
    struct Case {
        WaveFormat format;
        int kbps;
    } cases[] = {{WaveFormat::Pcm(2, 96000, 16), 128},
                 {WaveFormat::Pcm(6, 44100, 16), 128},
                 {WaveFormat::Capture(), 16},
                 {WaveFormat::Pcm(2, 44100, 8), 128}};
    for (const Case& c : cases) {
        CWmvWriter w;
        EXPECT_FALSE(w.OpenWma(dir / "new.wma", c.format, c.kbps));
        EXPECT_FALSE(w.isOpen());
        EXPECT_LT(w.error(), 0);
        EXPECT_FALSE(fs::exists(dir / "new.wma"));
        EXPECT_FALSE(w.OpenWma(dir / "old.wma", c.format, c.kbps));
        EXPECT_EQ(ReadBytes(dir / "old.wma"), old);
        EXPECT_NE(w.WriteWma(bytesOf(ToneBlock(0)), kBlock), 0);
    }
}

// A full disk ends the recording with the reason instead of dropping blocks silently; the
// file keeps its whole packets and plays.
TEST(WmaRecording, FullDiskEndsTheRecording) {
    TestProgramFolder dir(false);
    fs::path file = dir / "full.wma";
    CRecordWriter w;
    uint32_t written = 0;
    {
        FileSizeLimit small(100000);
        ASSERT_TRUE(w.StartRecording(file, FileType::Wma));
        for (; written < 120 && w.IsRecording(); ++written)
            w.WriteBlock(bytesOf(ToneBlock(written)), kBlock, false);
    }
    EXPECT_LT(written, 120u);
    EXPECT_FALSE(w.IsRecording());
    EXPECT_EQ(w.LastError(), -EFBIG);
    EXPECT_NE(w.LastErrorText().find("full.wma"), std::string::npos);
    EXPECT_LE(fs::file_size(file), 100000u);
    EXPECT_EQ((fs::file_size(file) - 544) % CWmvWriter::kPacketBytes, 0u);
    EXPECT_TRUE(DecodesCleanly(file));
    EXPECT_GT(FfmpegDecode(file).size(), 2u * 44100 * 5); // 5 of the 6 s that fit
}
