#include "AudioTestSupport.h"
#include "TestProgramFolder.h"
#include "audio/CRecordWriter.h"
#include "audio/CSoundCapture.h"
#include "audio/Mp3FileWriter.h"
#include "audio/NullMonitorSink.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vorlane;
using namespace vorlane::test;
namespace fs = std::filesystem;

namespace {
constexpr uint32_t kBlock = 22048;
constexpr uint32_t kBlockFrames = kBlock / 4;
constexpr size_t kMp3Frame = 1152;

const uint8_t* bytesOf(const std::vector<int16_t>& s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

// Records `blocks` tone blocks as file type `type` through the record writer and stops.
void record(CRecordWriter& w, const fs::path& file, FileType type, uint32_t blocks) {
    ASSERT_TRUE(w.StartRecording(file, type)) << w.LastErrorText();
    for (uint32_t i = 0; i < blocks; ++i)
        w.WriteBlock(bytesOf(ToneBlock(i)), kBlock, false);
    w.RequestStop();
    w.ServeStopRequest();
    ASSERT_FALSE(w.IsRecording());
    ASSERT_EQ(w.LastError(), 0) << w.LastErrorText();
}
} // namespace

// Each index gives its constant bit rate, and the frames say MPEG-1 layer III, 44.1 kHz,
// joint stereo, original, no CRC, no private or copyright bit, no emphasis, with an Info
// frame in front (except at 32 kbit/s, where LAME finds no room for one in a frame).
TEST(Mp3Recording, BitRateIndexAndFrameSettingsReadBack) {
    struct Case {
        int index, kbps, headerIndex;
    } cases[] = {{0, 32, 1},   {1, 64, 5},  {2, 128, 9}, {3, 192, 11},
                 {4, 320, 14}, {7, 128, 9}, {-1, 128, 9}};
    TestProgramFolder dir(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        fs::path file = dir / ("rate" + std::to_string(c.index) + ".mp3");
        CRecordWriter w;
        std::atomic<int> index{c.index};
        w.BindBitRate(index);
        record(w, file, FileType::Mp3, 8);
        auto probe = Ffprobe(file);
        EXPECT_EQ(probe["codec_name"], "mp3");
        EXPECT_EQ(probe["bit_rate"], std::to_string(c.kbps * 1000));
        EXPECT_EQ(probe["sample_rate"], "44100");
        EXPECT_EQ(probe["channels"], "2");

        std::string f = ReadBytes(file);
        ASSERT_GT(f.size(), 200u);
        auto b = [&](size_t i) { return static_cast<uint8_t>(f[i]); };
        EXPECT_EQ(b(0), 0xFF);
        EXPECT_EQ(b(1), 0xFB); // MPEG-1, layer III, no CRC
        EXPECT_EQ(b(2) >> 4, c.headerIndex);
        EXPECT_EQ(b(2) & 0x0D, 0); // 44.1 kHz, no private bit
        EXPECT_EQ(b(3) >> 6, 1);   // joint stereo
        EXPECT_EQ(b(3) & 0x0F, 4); // original, no copyright, no emphasis
        if (c.kbps > 32) {
            EXPECT_EQ(f.substr(36, 4), "Info");
            EXPECT_EQ(f.find("LAME", 36), 156u);
        }
        EXPECT_TRUE(DecodesCleanly(file));
    }
}

TEST(Mp3Recording, TenSecondsDecodeToTheirLengthWithSoundAtBothEnds) {
    TestProgramFolder dir(false);
    fs::path file = dir / "ten.mp3";
    CRecordWriter w;
    record(w, file, FileType::Mp3, 80);
    const size_t inputFrames = 80 * kBlockFrames;
    std::vector<int16_t> pcm = FfmpegDecode(file);
    ASSERT_FALSE(pcm.empty());
    const size_t frames = pcm.size() / 2;
    EXPECT_LE(frames > inputFrames ? frames - inputFrames : inputFrames - frames, kMp3Frame);
    // The tone is 12,000 and 8,000 peak: about 7,000 RMS over both channels.
    EXPECT_GT(Rms(pcm, 0, 88200), 5000);
    EXPECT_GT(Rms(pcm, pcm.size() - 88200, 88200), 5000);
}

// What is still buffered when the file closes is encoded: a recording shorter than one
// chunk, exactly one chunk (which stays buffered until the close), and a block and a bit.
TEST(Mp3Recording, BufferedPcmIsEncodedAtTheClose) {
    TestProgramFolder dir(false);
    for (uint32_t frames : {1000u, 1152u, kBlockFrames + 100}) {
        SCOPED_TRACE(frames);
        fs::path file = dir / ("short" + std::to_string(frames) + ".mp3");
        Mp3FileWriter w;
        ASSERT_TRUE(w.open(file, WaveFormat::Capture())) << w.errorText();
        EXPECT_EQ(w.ChunkBytes(), 4608u);
        std::vector<int16_t> tone = ToneBlock(0, frames);
        ASSERT_TRUE(w.writeBlock(bytesOf(tone), frames * 4));
        if (frames == 1152) {
            EXPECT_EQ(w.BufferedBytes(), 4608u);
        }
        ASSERT_TRUE(w.close()) << w.errorText();
        EXPECT_FALSE(w.LibraryLoaded());
        EXPECT_EQ(Ffprobe(file)["codec_name"], "mp3");
        EXPECT_TRUE(DecodesCleanly(file));
        EXPECT_EQ(FfmpegDecode(file).size(), frames * 2u);
    }
}

TEST(Mp3Recording, MonoInputMakesAMonoFile) {
    TestProgramFolder dir(false);
    fs::path file = dir / "mono.mp3";
    Mp3FileWriter w(1);
    ASSERT_TRUE(w.open(file, WaveFormat::Pcm(1, 44100, 16)));
    std::vector<int16_t> tone = ToneBlock(0, kBlockFrames); // read as 2 x 5,512 mono samples
    ASSERT_TRUE(w.writeBlock(bytesOf(tone), kBlock));
    ASSERT_TRUE(w.close());
    auto probe = Ffprobe(file);
    EXPECT_EQ(probe["channels"], "1");
    EXPECT_EQ(probe["bit_rate"], "64000");
    EXPECT_EQ(FfmpegDecode(file).size(), 2u * 2 * kBlockFrames); // decoded to stereo
}

// Without the library an MP3 recording cannot start, and nothing on disk changes: no new
// file, and an old file of the same name is kept.
TEST(Mp3Recording, MissingOrIncompleteLibraryFailsWithNothingOnDisk) {
    TestProgramFolder dir(false);
    const std::string old = "an older recording";
    WriteBytes(dir / "old.mp3", old.data(), old.size());
    {
        ScopedEnv lib("VORLANE_LAME_LIBRARY", (dir / "nowhere" / "libmp3lame.so.0").string());
        CRecordWriter w;
        EXPECT_FALSE(w.StartRecording(dir / "new.mp3", FileType::Mp3));
        EXPECT_FALSE(w.IsRecording());
        EXPECT_EQ(w.LastError(), -ELIBACC);
        EXPECT_NE(w.LastErrorText().find("libmp3lame.so.0"), std::string::npos);
        EXPECT_FALSE(w.StartRecording(dir / "old.mp3", FileType::Mp3));
    }
    {
        ScopedEnv lib("VORLANE_LAME_LIBRARY", "libm.so.6"); // loads, but is no encoder
        CRecordWriter w;
        EXPECT_FALSE(w.StartRecording(dir / "new.mp3", FileType::Mp3));
        EXPECT_EQ(w.LastError(), -ELIBBAD);
        EXPECT_NE(w.LastErrorText().find("lame_init"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(dir / "new.mp3"));
    EXPECT_EQ(ReadBytes(dir / "old.mp3"), old);
}

// An encoder error ends the recording: the slot is fed no more and its file is closed
// holding the frames encoded before.
TEST(Mp3Recording, EncoderErrorEndsTheRecordingAndKeepsWhatWasEncoded) {
    TestProgramFolder dir(false);
    fs::path file = dir / "broken.mp3";
    ScopedEnv lib("VORLANE_LAME_LIBRARY", VORLANE_FAULTY_LAME);
    ScopedEnv fail("VORLANE_TEST_LAME_FAIL", "encode:20");
    CRecordWriter w;
    ASSERT_TRUE(w.StartRecording(file, FileType::Mp3)) << w.LastErrorText();
    uint32_t written = 0;
    for (; written < 10 && w.IsRecording(); ++written)
        w.WriteBlock(bytesOf(ToneBlock(written)), kBlock, false);
    EXPECT_EQ(written, 5u); // the 20th chunk is in the 5th block
    EXPECT_FALSE(w.IsRecording());
    EXPECT_EQ(w.LastError(), -EIO);
    EXPECT_NE(w.LastErrorText().find("encoder failed"), std::string::npos);
    EXPECT_TRUE(DecodesCleanly(file));
    size_t frames = FfmpegDecode(file).size() / 2;
    EXPECT_GT(frames, 10 * kMp3Frame);
    EXPECT_LE(frames, 19 * kMp3Frame);
}

TEST(Mp3Recording, FailedFlushStillClosesTheFile) {
    TestProgramFolder dir(false);
    fs::path file = dir / "noflush.mp3";
    ScopedEnv fail("VORLANE_TEST_LAME_FAIL", "flush");
    Mp3FileWriter w(2, VORLANE_FAULTY_LAME);
    ASSERT_TRUE(w.open(file, WaveFormat::Capture())) << w.errorText();
    for (uint32_t i = 0; i < 3; ++i)
        ASSERT_TRUE(w.writeBlock(bytesOf(ToneBlock(i)), kBlock));
    EXPECT_FALSE(w.close());
    EXPECT_EQ(w.error(), -EIO);
    EXPECT_FALSE(w.isOpen());
    EXPECT_FALSE(w.LibraryLoaded());
    EXPECT_FALSE(w.writeBlock(bytesOf(ToneBlock(3)), kBlock));
    EXPECT_TRUE(DecodesCleanly(file));
    EXPECT_GT(FfmpegDecode(file).size(), 0u);
}

// A full disk (a file size limit here) ends the recording; the file ends on a whole frame.
TEST(Mp3Recording, FullDiskEndsTheRecordingOnAWholeFrame) {
    TestProgramFolder dir(false);
    fs::path file = dir / "full.mp3";
    const uint64_t limit = 20000; // about 1.2 s at 128 kbit/s
    CRecordWriter w;
    uint32_t written = 0;
    {
        FileSizeLimit small(limit);
        ASSERT_TRUE(w.StartRecording(file, FileType::Mp3));
        for (; written < 40 && w.IsRecording(); ++written)
            w.WriteBlock(bytesOf(ToneBlock(written)), kBlock, false);
    }
    EXPECT_LT(written, 40u);
    EXPECT_FALSE(w.IsRecording());
    EXPECT_EQ(w.LastError(), -EFBIG);
    EXPECT_NE(w.LastErrorText().find("full.mp3"), std::string::npos);
    EXPECT_LE(fs::file_size(file), limit);
    EXPECT_GT(fs::file_size(file), limit - 2 * 418);
    EXPECT_TRUE(DecodesCleanly(file));
    EXPECT_GT(FfmpegDecode(file).size() / 2, 40 * kMp3Frame);
}

// The whole road through the capture engine: blocks from the device reach the encoder,
// and the stop request closes the file on the capture side.
TEST(Mp3Recording, CaptureEngineRecordsMp3AtTheBoundBitRate) {
    TestProgramFolder dir(false);
    auto source = std::make_unique<FakeCaptureSource>();
    std::vector<std::vector<int16_t>> tones;
    for (uint32_t i = 0; i < 17; ++i)
        tones.push_back(ToneBlock(i));
    source->sample = [tones](uint32_t block, uint32_t index) { return tones[block][index]; };
    CSoundCapture capture(std::move(source), std::make_unique<NullMonitorSink>());
    std::atomic<int> volume{100}, balance{50}, type{0xD201}, bitRate{4};
    capture.BindSettings(volume, balance, type);
    capture.BindBitRate(bitRate);
    ASSERT_EQ(capture.Init(), 0);
    ASSERT_EQ(capture.Start(), 0);
    ASSERT_TRUE(capture.StartRecording(dir / "engine.mp3", FileType::Mp3));
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(capture.ProcessNotification(), 0);
    capture.RequestStop();
    ASSERT_EQ(capture.ProcessNotification(), 0);
    EXPECT_FALSE(capture.IsRecording());
    EXPECT_EQ(capture.RecordError(), 0) << capture.RecordErrorText();
    EXPECT_EQ(Ffprobe(dir / "engine.mp3")["bit_rate"], "320000");
    // The block of the stop request is written too.
    EXPECT_EQ(FfmpegDecode(dir / "engine.mp3").size(), 17u * 2 * kBlockFrames);
}
