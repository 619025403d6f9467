#include "AudioTestSupport.h"
#include "TestProgramFolder.h"
#include "audio/CRecordWriter.h"
#include "audio/WavFileWriter.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vorlane;
using namespace vorlane::test;
namespace fs = std::filesystem;

namespace {
constexpr uint32_t kBlock = 22048;

std::vector<int16_t> blockOf(uint32_t i) {
    std::vector<int16_t> s(kBlock / 2);
    for (uint32_t j = 0; j < s.size(); ++j)
        s[j] = PatternSample(i, j);
    return s;
}

const uint8_t* bytesOf(const std::vector<int16_t>& s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

// The samples of blocks 0..k-1, as written.
std::vector<int16_t> blocks(uint32_t k) {
    std::vector<int16_t> all;
    for (uint32_t i = 0; i < k; ++i) {
        auto b = blockOf(i);
        all.insert(all.end(), b.begin(), b.end());
    }
    return all;
}

void expectHeader(const std::string& f, uint32_t dataBytes) {
    ASSERT_GE(f.size(), 46u);
    EXPECT_EQ(f.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32(f, 4), dataBytes + 38);
    EXPECT_EQ(f.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Le32(f, 16), 18u);
    EXPECT_EQ(Le16(f, 20), 1);
    EXPECT_EQ(Le16(f, 22), 2);
    EXPECT_EQ(Le32(f, 24), 44100u);
    EXPECT_EQ(Le32(f, 28), 176400u);
    EXPECT_EQ(Le16(f, 32), 4);
    EXPECT_EQ(Le16(f, 34), 16);
    EXPECT_EQ(Le16(f, 36), 0);
    EXPECT_EQ(f.substr(38, 4), "data");
    EXPECT_EQ(Le32(f, 42), dataBytes);
}
} // namespace

TEST(WavFileWriter, LayoutSizesAndSamples) {
    TestProgramFolder dir(false);
    fs::path file = dir / "k.wav";
    WavFileWriter w;
    ASSERT_TRUE(w.open(file, WaveFormat::Capture()));
    expectHeader(ReadBytes(file), 0); // true sizes from the start
    for (uint32_t i = 0; i < 3; ++i)
        ASSERT_TRUE(w.writeBlock(bytesOf(blockOf(i)), kBlock));
    ASSERT_TRUE(w.close());
    std::string f = ReadBytes(file);
    EXPECT_EQ(f.size(), 46u + 3 * kBlock);
    expectHeader(f, 3 * kBlock);
    EXPECT_EQ(std::memcmp(f.data() + 46, blocks(3).data(), 3 * kBlock), 0);
    EXPECT_EQ(SoxDecode(file), blocks(3));
}

TEST(WavFileWriter, ReplacesAnExistingFileAndKeepsTheFirstOnASecondOpen) {
    TestProgramFolder dir(false);
    fs::path file = dir / "old.wav";
    std::string junk(500000, 'x');
    WriteBytes(file, junk.data(), junk.size());
    WavFileWriter w;
    ASSERT_TRUE(w.open(file, WaveFormat::Capture()));
    ASSERT_TRUE(w.writeBlock(bytesOf(blockOf(0)), kBlock));
    EXPECT_TRUE(w.open(dir / "other.wav", WaveFormat::Capture()));
    EXPECT_FALSE(fs::exists(dir / "other.wav"));
    ASSERT_TRUE(w.close());
    EXPECT_EQ(fs::file_size(file), 46u + kBlock);
    EXPECT_EQ(SoxDecode(file), blocks(1));
}

// The same for every file type: a failed open says why and names the file, and an existing
// file is replaced, not overwritten, so another name for it keeps the old sound.
TEST(RecordOutputs, OpenFailureSaysWhyAndReplacingLeavesOtherNamesAlone) {
    TestProgramFolder dir(false);
    for (FileType type : {FileType::Wav, FileType::Mp3, FileType::Wma}) {
        auto w = CRecordWriter::DefaultOutput(type);
        EXPECT_FALSE(w->open(dir / "missing" / "a.rec", WaveFormat::Capture()));
        EXPECT_EQ(w->error(), -ENOENT);
        EXPECT_NE(w->errorText().find("missing/a.rec: cannot create the file: "), std::string::npos)
            << w->errorText();
        EXPECT_FALSE(w->writeBlock(bytesOf(blockOf(0)), kBlock));

        const std::string old = "an older recording";
        WriteBytes(dir / "kept", old.data(), old.size());
        fs::remove(dir / "old.rec");
        fs::create_hard_link(dir / "kept", dir / "old.rec");
        ASSERT_TRUE(w->open(dir / "old.rec", WaveFormat::Capture())) << w->errorText();
        ASSERT_TRUE(w->writeBlock(bytesOf(blockOf(0)), kBlock));
        ASSERT_TRUE(w->close());
        EXPECT_EQ(ReadBytes(dir / "kept"), old);
        EXPECT_GT(fs::file_size(dir / "old.rec"), old.size());
    }
}

// A full disk, made with a file size limit: the recording ends, the file is closed with
// true sizes holding every whole frame that reached it, and the writer says why.
TEST(WavFileWriter, FullDiskEndsTheRecordingCleanly) {
    TestProgramFolder dir(false);
    fs::path file = dir / "full.wav";
    const rlim_t limit = 46 + 3 * kBlock + 1002; // room for 3 blocks and 250.5 frames
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = limit;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    CRecordWriter writer;
    ASSERT_TRUE(writer.StartRecording(file, FileType::Wav));
    for (uint32_t i = 0; i < 6; ++i)
        writer.WriteBlock(bytesOf(blockOf(i)), kBlock, false);
    bool recording = writer.IsRecording();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(recording);
    EXPECT_EQ(writer.LastError(), -EFBIG);
    EXPECT_NE(writer.LastErrorText().find("full.wav"), std::string::npos);
    const uint32_t kept = 3 * kBlock + 1000;
    std::string f = ReadBytes(file);
    EXPECT_EQ(f.size(), 46u + kept);
    expectHeader(f, kept);
    auto want = blocks(4);
    want.resize(kept / 2);
    EXPECT_EQ(SoxDecode(file), want);
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
            writer.WriteBlock(bytesOf(blockOf(i)), kBlock, false);
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    std::string f = ReadBytes(file);
    ASSERT_EQ(f.size(), 46u + written * kBlock);
    const uint32_t stated = Le32(f, 42);
    expectHeader(f, stated);
    EXPECT_EQ(stated % kBlock, 0u);
    EXPECT_GE(stated, (written - 80) * kBlock); // at most 10 s behind
    EXPECT_LE(stated, written * kBlock);
    EXPECT_EQ(SoxDecode(file), blocks(stated / kBlock));
}
