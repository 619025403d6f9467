#include "AudioTestSupport.h"
#include "TestProgramFolder.h"
#include "audio/CRecordWriter.h"
#include "audio/CWmvWriter.h"
#include "audio/FlacFileWriter.h"
#include "audio/Mp3FileWriter.h"
#include "audio/WavFileWriter.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace vorlane;
using namespace vorlane::test;
namespace fs = std::filesystem;

namespace {
constexpr size_t kMp3Frame = 1152;

void expectWavHeader(const std::string& f, uint32_t dataBytes) {
    ASSERT_GE(f.size(), 46u);
    EXPECT_EQ(f.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32(f, 4), dataBytes + 38);
    EXPECT_EQ(f.substr(8, 8), "WAVEfmt ");
    const uint32_t fmt[] = {Le32(f, 16), Le16(f, 20), Le16(f, 22), Le32(f, 24),
                            Le32(f, 28), Le16(f, 32), Le16(f, 34), Le16(f, 36)};
    const uint32_t want[] = {18, 1, 2, 44100, 176400, 4, 16, 0};
    EXPECT_TRUE(std::equal(std::begin(fmt), std::end(fmt), std::begin(want)));
    EXPECT_EQ(f.substr(38, 4), "data");
    EXPECT_EQ(Le32(f, 42), dataBytes);
}

const char* extensionOf(FileType type) {
    return FileTypeExtension(type);
}
} // namespace

// True sizes from the start: a recording cut short at once is still a valid file. The
// sizes at the close are checked with the full disk, which closes the same way.
TEST(WavFileWriter, HeaderHasTrueSizesFromTheStart) {
    TestProgramFolder dir(false);
    WavFileWriter w;
    ASSERT_TRUE(w.open(dir / "k.wav", WaveFormat::Capture()));
    expectWavHeader(readBytes(dir / "k.wav"), 0);
    ASSERT_TRUE(w.close());
}

// The same for every file type: a failed open says why and names the file, an existing
// file is replaced, not overwritten, so another name for it keeps the old sound, and a
// second open keeps the file that is open.
TEST(RecordOutputs, OpenFailureSaysWhyAndReplacingLeavesOtherNamesAlone) {
    TestProgramFolder dir(false);
    for (FileType type : {FileType::Wav, FileType::Mp3, FileType::Wma, FileType::Flac}) {
        auto w = CRecordWriter::DefaultOutput(type);
        EXPECT_FALSE(w->open(dir / "missing" / "a.rec", WaveFormat::Capture()));
        EXPECT_EQ(w->error(), -ENOENT);
        EXPECT_NE(w->errorText().find("missing/a.rec: cannot create the file: "), std::string::npos)
            << w->errorText();
        EXPECT_FALSE(w->writeBlock(BytesOf(PatternBlocks(0, 1)), kBlock));

        const std::string old = "an older recording";
        WriteBytes(dir / "kept", old.data(), old.size());
        fs::remove(dir / "old.rec");
        fs::create_hard_link(dir / "kept", dir / "old.rec");
        ASSERT_TRUE(w->open(dir / "old.rec", WaveFormat::Capture())) << w->errorText();
        ASSERT_TRUE(w->writeBlock(BytesOf(PatternBlocks(0, 1)), kBlock));
        EXPECT_TRUE(w->open(dir / "other.rec", WaveFormat::Capture()));
        EXPECT_FALSE(fs::exists(dir / "other.rec"));
        ASSERT_TRUE(w->close());
        EXPECT_EQ(readBytes(dir / "kept"), old);
        EXPECT_GT(fs::file_size(dir / "old.rec"), old.size());
    }
}

// A recording killed before its close still has true sizes for all but the last
// 10 seconds at most.
TEST(WavFileWriter, HeaderIsTrueAfterTenSecondsOfAKilledRecording) {
    TestProgramFolder dir(false);
    fs::path file = dir / "killed.wav";
    const uint32_t written = 100; // 12.5 s
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CRecordWriter writer;
        if (!writer.StartRecording(file, FileType::Wav))
            _exit(3);
        for (uint32_t i = 0; i < written; ++i)
            writer.WriteBlock(BytesOf(PatternBlocks(i, 1)), kBlock, false);
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    std::string f = readBytes(file);
    ASSERT_EQ(f.size(), 46u + written * kBlock);
    const uint32_t stated = Le32(f, 42);
    expectWavHeader(f, stated);
    EXPECT_EQ(stated % kBlock, 0u);
    EXPECT_GE(stated, (written - 80) * kBlock); // at most 10 s behind
    EXPECT_LE(stated, written * kBlock);
    EXPECT_EQ(SoxDecode(file), PatternBlocks(0, stated / kBlock));
}

// Each index gives its constant bit rate. MP3 frames say MPEG-1 layer III, 44.1 kHz, joint
// stereo, original, no CRC, no private or copyright bit, no emphasis, with an Info frame in
// front (except at 32 kbit/s, where LAME finds no room for one in a frame).
TEST(EncodedRecording, BitRateIndexAndStreamSettingsReadBack) {
    struct Case {
        FileType type;
        int index, kbps, mp3HeaderIndex;
    } cases[] = {
        {FileType::Mp3, 0, 32, 1},   {FileType::Mp3, 1, 64, 5},   {FileType::Mp3, 2, 128, 9},
        {FileType::Mp3, 3, 192, 11}, {FileType::Mp3, 4, 320, 14}, {FileType::Mp3, 7, 128, 9},
        {FileType::Mp3, -1, 128, 9}, {FileType::Wma, 0, 32, 0},   {FileType::Wma, 1, 64, 0},
        {FileType::Wma, 2, 128, 0},  {FileType::Wma, 3, 192, 0},  {FileType::Wma, 4, 320, 0},
        {FileType::Wma, 7, 128, 0}};
    TestProgramFolder dir(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(int(c.type)) + "/" + std::to_string(c.index));
        fs::path file = dir / ("rate" + std::to_string(c.index) + extensionOf(c.type));
        CRecordWriter w;
        std::atomic<int> index{c.index};
        w.BindBitRate(index);
        RecordTones(w, file, c.type, 8);
        auto probe = Ffprobe(file);
        EXPECT_EQ(probe["format_name"], c.type == FileType::Mp3 ? "mp3" : "asf");
        EXPECT_EQ(probe["codec_name"], c.type == FileType::Mp3 ? "mp3" : "wmav2");
        EXPECT_EQ(probe["bit_rate"], std::to_string(c.kbps * 1000));
        EXPECT_EQ(probe["sample_rate"], "44100");
        EXPECT_EQ(probe["channels"], "2");
        EXPECT_TRUE(DecodesCleanly(file));
        if (c.type != FileType::Mp3)
            continue;
        // The room for the ID3v2 tag comes first: an empty ID3v2.4 tag.
        std::string f = readBytes(file);
        const size_t room = Mp3FileWriter::kTagRoomBytes;
        ASSERT_GT(f.size(), room + 200u);
        EXPECT_EQ(f.substr(0, 10), std::string("ID3\x04\0\0\0\0\x1F\x76", 10));
        EXPECT_EQ(f.substr(10, room - 10), std::string(room - 10, '\0'));
        f.erase(0, room);
        auto b = [&](size_t i) { return static_cast<uint8_t>(f[i]); };
        EXPECT_EQ(b(0), 0xFF);
        EXPECT_EQ(b(1), 0xFB); // MPEG-1, layer III, no CRC
        EXPECT_EQ(b(2) >> 4, c.mp3HeaderIndex);
        EXPECT_EQ(b(2) & 0x0D, 0); // 44.1 kHz, no private bit
        EXPECT_EQ(b(3) >> 6, 1);   // joint stereo
        EXPECT_EQ(b(3) & 0x0F, 4); // original, no copyright, no emphasis
        if (c.kbps > 32) {
            EXPECT_EQ(f.substr(36, 4), "Info");
            EXPECT_EQ(f.find("LAME", 36), 156u);
        }
    }
}

// Ten seconds decode to their length with sound at both ends, and at the highest rate the
// container's share stays small. An empty recording is a valid file too.
TEST(EncodedRecording, TenSecondsDecodeToTheirLengthAndSize) {
    TestProgramFolder dir(false);
    const size_t inputFrames = 80 * kBlockFrames;
    const double seconds = static_cast<double>(inputFrames) / 44100;
    for (FileType type : {FileType::Mp3, FileType::Wma}) {
        SCOPED_TRACE(int(type));
        fs::path file = dir / (std::string("ten") + extensionOf(type));
        CRecordWriter w;
        std::atomic<int> index{4};
        w.BindBitRate(index);
        RecordTones(w, file, type, 80);
        std::vector<int16_t> pcm = FfmpegDecode(file);
        ASSERT_FALSE(pcm.empty());
        const size_t frames = pcm.size() / 2;
        const size_t slack = type == FileType::Mp3 ? kMp3Frame : 2205;
        EXPECT_LE(frames > inputFrames ? frames - inputFrames : inputFrames - frames, slack);
        // The tone is 12,000 and 8,000 peak: about 7,000 RMS over both channels.
        EXPECT_GT(Rms(pcm, 0, 88200), 5000);
        EXPECT_GT(Rms(pcm, pcm.size() - 88200, 88200), 5000);
        EXPECT_LT(static_cast<double>(fs::file_size(file)) * 8 / seconds, 1.15 * 320000);
    }
    CRecordWriter w;
    RecordTones(w, dir / "empty.wma", FileType::Wma, 0);
    EXPECT_EQ(Ffprobe(dir / "empty.wma")["codec_name"], "wmav2");
    EXPECT_TRUE(DecodesCleanly(dir / "empty.wma"));
}

// What is still buffered when the file closes is encoded: a recording shorter than one
// chunk, exactly one chunk (which stays buffered until the close), and a block and a bit.
TEST(Mp3FileWriter, BufferedPcmIsEncodedAtTheClose) {
    TestProgramFolder dir(false);
    for (uint32_t frames : {1000u, 1152u, kBlockFrames + 100}) {
        SCOPED_TRACE(frames);
        fs::path file = dir / ("short" + std::to_string(frames) + ".mp3");
        Mp3FileWriter w;
        ASSERT_TRUE(w.open(file, WaveFormat::Capture())) << w.errorText();
        EXPECT_EQ(w.ChunkBytes(), 4608u);
        ASSERT_TRUE(w.writeBlock(BytesOf(ToneBlock(0, frames)), frames * 4));
        if (frames == 1152) {
            EXPECT_EQ(w.BufferedBytes(), 4608u);
        }
        ASSERT_TRUE(w.close()) << w.errorText();
        EXPECT_FALSE(w.LibraryLoaded());
        EXPECT_TRUE(DecodesCleanly(file));
        EXPECT_EQ(FfmpegDecode(file).size(), frames * 2u);
    }
}

TEST(Mp3FileWriter, MonoInputMakesAMonoFile) {
    TestProgramFolder dir(false);
    fs::path file = dir / "mono.mp3";
    Mp3FileWriter w(1);
    ASSERT_TRUE(w.open(file, WaveFormat::Pcm(1, 44100, 16)));
    ASSERT_TRUE(w.writeBlock(BytesOf(ToneBlock(0)), kBlock)); // read as 2 x 5,512 samples
    ASSERT_TRUE(w.close());
    auto probe = Ffprobe(file);
    EXPECT_EQ(probe["channels"], "1");
    EXPECT_EQ(probe["bit_rate"], "64000");
    EXPECT_EQ(FfmpegDecode(file).size(), 2u * 2 * kBlockFrames); // decoded to stereo
}

// Without the library an MP3 recording cannot start, and nothing on disk changes: no new
// file, and an old file of the same name is kept.
TEST(Mp3FileWriter, MissingOrIncompleteLibraryFailsWithNothingOnDisk) {
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
    EXPECT_EQ(readBytes(dir / "old.mp3"), old);
}

// An encoder error ends the recording: the slot is fed no more and its file is closed
// holding the frames encoded before.
TEST(Mp3FileWriter, EncoderErrorEndsTheRecordingAndKeepsWhatWasEncoded) {
    TestProgramFolder dir(false);
    fs::path file = dir / "broken.mp3";
    ScopedEnv lib("VORLANE_LAME_LIBRARY", VORLANE_FAULTY_LAME);
    ScopedEnv fail("VORLANE_TEST_LAME_FAIL", "encode:20");
    CRecordWriter w;
    ASSERT_TRUE(w.StartRecording(file, FileType::Mp3)) << w.LastErrorText();
    uint32_t written = 0;
    for (; written < 10 && w.IsRecording(); ++written)
        w.WriteBlock(BytesOf(ToneBlock(written)), kBlock, false);
    EXPECT_EQ(written, 5u); // the 20th chunk is in the 5th block
    EXPECT_FALSE(w.IsRecording());
    EXPECT_EQ(w.LastError(), -EIO);
    EXPECT_NE(w.LastErrorText().find("encoder failed"), std::string::npos);
    EXPECT_TRUE(DecodesCleanly(file));
    size_t frames = FfmpegDecode(file).size() / 2;
    EXPECT_GT(frames, 10 * kMp3Frame);
    EXPECT_LE(frames, 19 * kMp3Frame);
}

TEST(Mp3FileWriter, FailedFlushStillClosesTheFile) {
    TestProgramFolder dir(false);
    fs::path file = dir / "noflush.mp3";
    ScopedEnv fail("VORLANE_TEST_LAME_FAIL", "flush");
    Mp3FileWriter w(2, VORLANE_FAULTY_LAME);
    ASSERT_TRUE(w.open(file, WaveFormat::Capture())) << w.errorText();
    for (uint32_t i = 0; i < 3; ++i)
        ASSERT_TRUE(w.writeBlock(BytesOf(ToneBlock(i)), kBlock));
    EXPECT_FALSE(w.close());
    EXPECT_EQ(w.error(), -EIO);
    EXPECT_FALSE(w.isOpen());
    EXPECT_FALSE(w.LibraryLoaded());
    EXPECT_FALSE(w.writeBlock(BytesOf(ToneBlock(3)), kBlock));
    EXPECT_TRUE(DecodesCleanly(file));
    EXPECT_GT(FfmpegDecode(file).size(), 0u);
}

// A full disk (a file size limit here) ends the recording with the reason instead of
// dropping blocks silently; the file is closed on a whole unit of its format and plays.
TEST(RecordWriter, FullDiskEndsTheRecordingAndKeepsAPlayableFile) {
    struct Case {
        FileType type;
        uint64_t limit;
        std::function<void(const fs::path&)> check;
    } cases[] = {
        {FileType::Wav, 46 + 3 * kBlock + 1002, // room for 3 blocks and 250.5 frames
         [](const fs::path& file) {
             const uint32_t kept = 3 * kBlock + 1000;
             std::string f = readBytes(file);
             EXPECT_EQ(f.size(), 46u + kept);
             expectWavHeader(f, kept);
             auto want = PatternBlocks(0, 4);
             want.resize(kept / 2);
             EXPECT_EQ(SoxDecode(file), want);
         }},
        {FileType::Mp3, 24096, // the tag room and about 1.2 s at 128 kbit/s
         [](const fs::path& file) {
             EXPECT_GT(fs::file_size(file), 24096u - 2 * 418);
             EXPECT_GT(FfmpegDecode(file).size() / 2, 40 * kMp3Frame);
         }},
        {FileType::Wma, 100000,
         [](const fs::path& file) {
             EXPECT_EQ((fs::file_size(file) - 544) % CWmvWriter::PacketBytes(128), 0u);
             EXPECT_GT(FfmpegDecode(file).size(), 2u * 44100 * 5); // 5 of the 6 s that fit
         }},
        {FileType::Flac, 150000, // about 3 s of the tone
         [](const fs::path& file) {
             // Whole frames, each sample as it was given, and STREAMINFO counting them; the
             // signature of sound that never came whole is unknown.
             FlacDecoded d = FlacDecode(file);
             EXPECT_TRUE(d.ok);
             EXPECT_FALSE(d.signatureKnown);
             EXPECT_GT(d.samples.size(), 2u * 44100);
             EXPECT_EQ(d.totalSamples * 2, d.samples.size());
             std::vector<int16_t> want;
             for (uint32_t i = 0; want.size() < d.samples.size(); ++i) {
                 auto b = ToneBlock(i);
                 want.insert(want.end(), b.begin(), b.end());
             }
             want.resize(d.samples.size());
             EXPECT_TRUE(d.samples == want);
         }},
    };
    TestProgramFolder dir(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.type));
        fs::path file = dir / (std::string("full") + extensionOf(c.type));
        CRecordWriter w;
        uint32_t written = 0;
        {
            FileSizeLimit small(c.limit);
            ASSERT_TRUE(w.StartRecording(file, c.type));
            for (; written < 120 && w.IsRecording(); ++written)
                w.WriteBlock(BytesOf(c.type == FileType::Wav ? PatternBlocks(written, 1)
                                                             : ToneBlock(written)),
                             kBlock, false);
        }
        EXPECT_LT(written, 120u);
        EXPECT_FALSE(w.IsRecording());
        EXPECT_EQ(w.LastError(), -EFBIG);
        EXPECT_NE(w.LastErrorText().find(file.filename().string()), std::string::npos);
        EXPECT_LE(fs::file_size(file), c.limit);
        EXPECT_TRUE(DecodesCleanly(file));
        c.check(file);
    }
}

// Block k starts at k x 1,249,887 units of 100 ns; a half block moves the time by half.
TEST(CWmvWriter, EveryBlockIsStampedWithItsStartTime) {
    TestProgramFolder dir(false);
    CWmvWriter w;
    ASSERT_TRUE(w.OpenWma(dir / "t.wma", WaveFormat::Capture(), 128)) << w.errorText();
    for (int64_t k = 0; k < 6; ++k) {
        EXPECT_EQ(w.SampleTime(), k * 1'249'887);
        ASSERT_EQ(w.WriteWma(BytesOf(ToneBlock(static_cast<uint32_t>(k))), kBlock), 0);
    }
    ASSERT_EQ(w.WriteWma(BytesOf(ToneBlock(6)), kBlock / 2), 0);
    EXPECT_EQ(w.SampleTime(), 6 * 1'249'887 + 624'943);
    EXPECT_TRUE(w.CloseWma());
    EXPECT_EQ(w.SampleTime(), 6 * 1'249'887 + 624'943);
}

// A format or bit rate the encoder refuses fails the opening before the disk is touched.
TEST(CWmvWriter, RefusedFormatLeavesNoFile) {
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
        EXPECT_EQ(readBytes(dir / "old.wma"), old);
        EXPECT_NE(w.WriteWma(BytesOf(ToneBlock(0)), kBlock), 0);
    }
}

// Lossless: every sample over the whole 16-bit range comes back as it went in, whatever the
// block lengths, with the MD5 signature of the sound and the sample count in STREAMINFO,
// at compression level 5 (frames of 4,096 samples), and ffmpeg reads it too.
TEST(FlacFileWriter, DecodesBitForBitWithItsSignature) {
    TestProgramFolder dir(false);
    struct Case {
        const char* name;
        std::vector<uint32_t> blockFrames;
    } cases[] = {
        {"empty.flac", {}},
        {"one.flac", {1}},
        {"blocks.flac", {kBlockFrames, kBlockFrames, kBlockFrames, 4096, 3000, kBlockFrames}},
        {"long.flac", std::vector<uint32_t>(40, kBlockFrames)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = dir / c.name;
        FlacFileWriter w;
        ASSERT_TRUE(w.open(file, WaveFormat::Capture())) << w.errorText();
        std::vector<int16_t> sent;
        uint32_t block = 0;
        for (uint32_t frames : c.blockFrames) {
            std::vector<int16_t> s = PatternBlocks(block++, 1);
            s.resize(frames * 2);
            ASSERT_TRUE(w.writeBlock(BytesOf(s), frames * 4));
            sent.insert(sent.end(), s.begin(), s.end());
        }
        ASSERT_TRUE(w.close()) << w.errorText();
        EXPECT_EQ(w.FileBytes(), fs::file_size(file));
        FlacDecoded d = FlacDecode(file);
        EXPECT_TRUE(d.ok);
        EXPECT_EQ(d.sampleRate, 44100u);
        EXPECT_EQ(d.channels, 2u);
        EXPECT_EQ(d.bits, 16u);
        EXPECT_EQ(d.totalSamples * 2, sent.size());
        EXPECT_TRUE(d.samples == sent) << d.samples.size() << " of " << sent.size();
        if (!sent.empty()) {
            EXPECT_TRUE(d.signatureKnown);
            EXPECT_TRUE(d.signatureMatches);
        }
        auto probe = Ffprobe(file);
        EXPECT_EQ(probe["codec_name"], "flac");
        if (sent.size() > 8192) {
            EXPECT_TRUE(FfmpegDecode(file) == sent);
        }
    }
    // Level 5 makes frames of 4,096 samples; flac itself says so.
    const std::string info = CommandOutput("metaflac --show-min-blocksize --show-max-blocksize " +
                                           (dir / "long.flac").string());
    EXPECT_EQ(info, "4096\n4096\n");
}

// A changed sample is caught by the signature: the check above does look at the sound.
TEST(FlacFileWriter, SignatureCatchesAChangedSample) {
    TestProgramFolder dir(false);
    const fs::path file = dir / "changed.flac";
    CRecordWriter w;
    RecordTones(w, file, FileType::Flac, 4);
    ASSERT_TRUE(FlacDecode(file).signatureMatches);
    // Replace the signature by one of other sound.
    std::string bytes = readBytes(file);
    bytes[26] = static_cast<char>(bytes[26] ^ 1);
    WriteBytes(file, bytes.data(), bytes.size());
    FlacDecoded d = FlacDecode(file);
    EXPECT_TRUE(d.signatureKnown);
    EXPECT_FALSE(d.signatureMatches);
}
