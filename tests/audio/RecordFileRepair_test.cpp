#include "AudioTestSupport.h"
#include "TestProgramFolder.h"
#include "audio/CRecordWriter.h"
#include "audio/CWmvWriter.h"
#include "audio/RecordFileRepair.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

using namespace vorlane;
using namespace vorlane::test;
namespace fs = std::filesystem;

namespace {

// The file as a crash at this moment leaves it: what reached the disk, `cut` bytes short,
// or with `zeros` bytes of zero after it (a power cut after the size grew, before the data
// reached the disk).
void crashCopy(const fs::path& from, const fs::path& to, uint64_t cut, uint64_t zeros) {
    std::string bytes = readBytes(from);
    ASSERT_GT(bytes.size(), cut);
    bytes.resize(bytes.size() - cut);
    bytes.append(zeros, '\0');
    writeBytes(to, bytes);
}

uint64_t le64At(const std::string& f, size_t at) {
    return Le32(f, at) | (static_cast<uint64_t>(Le32(f, at + 4)) << 32);
}

double probedSeconds(const fs::path& file) {
    const auto p = Ffprobe(file);
    const auto it = p.find("duration");
    return it == p.end() || it->second == "N/A" ? -1 : std::atof(it->second.c_str());
}

// Records `blocks` pattern blocks as FLAC in a child process that is then killed, as a
// crash would leave the file.
void recordAndKill(const fs::path& file, uint32_t blocks) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CRecordWriter writer;
        if (!writer.StartRecording(file, FileType::Flac))
            _exit(3);
        for (uint32_t i = 0; i < blocks; ++i)
            writer.WriteBlock(BytesOf(PatternBlocks(i, 1)), kBlock, false);
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
}

void expectRepairedPrefix(const fs::path& file, uint32_t sentBlocks, double repairedSeconds) {
    FlacDecoded d = FlacDecode(file);
    EXPECT_TRUE(d.ok);
    EXPECT_FALSE(d.signatureKnown);
    EXPECT_EQ(d.totalSamples * 2, d.samples.size());
    EXPECT_NEAR(repairedSeconds, static_cast<double>(d.totalSamples) / 44100, 1e-9);
    std::vector<int16_t> sent = PatternBlocks(0, sentBlocks);
    ASSERT_LE(d.samples.size(), sent.size());
    sent.resize(d.samples.size());
    EXPECT_TRUE(d.samples == sent);
    EXPECT_TRUE(DecodesCleanly(file));
}
} // namespace

// A WMA file that a kill left open declares the length of the packets it keeps, so that
// players show it and can seek; a piece of a packet at the end is cut off. The header
// FFmpeg leaves behind already holds the preroll as its play duration. At any bit rate a
// kill loses little more than the packet being filled.
class KilledWma : public ::testing::TestWithParam<int> {};

TEST_P(KilledWma, StatesTheLengthOfItsWholePackets) {
    const int kbps = GetParam();
    const uint64_t packetBytes = CWmvWriter::PacketBytes(kbps);
    TestProgramFolder dir(false);
    const fs::path live = dir / "live.wma";
    CWmvWriter w;
    ASSERT_TRUE(w.OpenWma(live, WaveFormat::Capture(), kbps)) << w.errorText();
    for (uint32_t i = 0; i < 64; ++i) // 8 s
        ASSERT_EQ(w.WriteWma(BytesOf(ToneBlock(i)), kBlock), 0);

    struct Case {
        const char* name;
        uint64_t cut;   // bytes missing at the end
        uint64_t zeros; // bytes of zero at the end
    } cases[] = {{"whole packets", 0, 0},
                 {"a packet cut short", 5000, 0},
                 {"zeros after the packets", 0, 2 * packetBytes + 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = dir / (std::string(c.name) + ".wma");
        crashCopy(live, file, c.cut, c.zeros);
        EXPECT_LT(probedSeconds(file), 1.0) << "the copy is not an unfinished file";

        const RecordFileRepair::Result r = RecordFileRepair::Repair(file);
        ASSERT_TRUE(r.ok) << r.error;
        const double decoded = FfmpegDecode(file).size() / 2 / 44100.0;
        // 8 s were written; a packet is about a second, and the encoder holds a frame.
        EXPECT_GT(decoded, c.cut > 0 ? 5.5 : 7.0);
        if (c.zeros > 0) {
            EXPECT_EQ(fs::file_size(file), fs::file_size(live));
        }
        EXPECT_NEAR(r.seconds, decoded, 0.1);
        EXPECT_NEAR(probedSeconds(file), decoded, 0.1);
        EXPECT_TRUE(DecodesCleanly(file));

        // The counts and sizes are those of the packets kept.
        const std::string f = readBytes(file);
        const size_t props = f.find("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11");
        const size_t data = f.find("\x36\x26\xB2\x75\x8E\x66\xCF\x11");
        ASSERT_NE(props, std::string::npos);
        ASSERT_NE(data, std::string::npos);
        const uint64_t packets = (f.size() - data - 50) / packetBytes;
        EXPECT_EQ((f.size() - data - 50) % packetBytes, 0u);
        EXPECT_EQ(le64At(f, props + 40), f.size());
        EXPECT_EQ(le64At(f, props + 56), packets);
        EXPECT_EQ(le64At(f, data + 16), 50 + packets * packetBytes);
        EXPECT_EQ(le64At(f, data + 40), packets);
        // Play duration holds the preroll (milliseconds) on top; send duration does not.
        const uint64_t preroll = le64At(f, props + 80) * 10000;
        EXPECT_NEAR((le64At(f, props + 64) - preroll) / 1e7, decoded, 0.1);
        EXPECT_NEAR(le64At(f, props + 72) / 1e7, decoded, 0.1);
        EXPECT_EQ(Le32(f, props + 88) & 1, 0u) << "still marked as being written";

        // A second repair (a crash during the first) changes nothing.
        const RecordFileRepair::Result again = RecordFileRepair::Repair(file);
        EXPECT_TRUE(again.ok);
        EXPECT_EQ(readBytes(file), f);
    }
    ASSERT_TRUE(w.CloseWma());

    // A finished file is left as it is.
    const std::string finished = readBytes(live);
    ASSERT_TRUE(RecordFileRepair::Repair(live).ok);
    EXPECT_EQ(readBytes(live), finished);
}

INSTANTIATE_TEST_SUITE_P(RecordFileRepair, KilledWma, ::testing::Values(32, 128, 320),
                         [](const auto& info) { return std::to_string(info.param) + "kbps"; });

// A killed FLAC recording holds the frames libFLAC had written, and STREAMINFO says
// nothing of them; the repair states their samples, and all of them decode as they were
// sent. Everything but the frame still being filled (4,096 samples) is there.
TEST(RecordFileRepair, KilledFlacRecordingKeepsEveryWholeFrame) {
    TestProgramFolder dir(false);
    const fs::path file = dir / "killed.flac";
    const uint32_t sent = 40; // 5 s
    recordAndKill(file, sent);
    ASSERT_EQ(FlacDecode(file).totalSamples, 0u); // unknown before the repair
    const RecordFileRepair::Result r = RecordFileRepair::Repair(file);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_GE(r.seconds * 44100, sent * kBlockFrames - 4096.0);
    expectRepairedPrefix(file, sent, r.seconds);
    // Repairing again changes nothing: the file now counts as finished.
    const std::string once = readBytes(file);
    EXPECT_TRUE(RecordFileRepair::Repair(file).ok);
    EXPECT_EQ(readBytes(file), once);
}

// A power cut can leave a frame cut short, or zeros where the file system had no data
// yet: the file ends after the last whole frame.
TEST(RecordFileRepair, FlacFrameCutShortOrFollowedByZerosIsDropped) {
    TestProgramFolder dir(false);
    const fs::path killed = dir / "killed.flac";
    recordAndKill(killed, 24);
    const std::string whole = readBytes(killed);
    struct Case {
        const char* name;
        size_t cutBytes;  // taken off the end
        size_t zeroBytes; // then zeros appended
    } cases[] = {{"cut.flac", 777, 0}, {"zeros.flac", 0, 5000}, {"both.flac", 3, 4096}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes =
            whole.substr(0, whole.size() - c.cutBytes) + std::string(c.zeroBytes, '\0');
        const fs::path file = dir / c.name;
        WriteBytes(file, bytes.data(), bytes.size());
        const RecordFileRepair::Result r = RecordFileRepair::Repair(file);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_LT(fs::file_size(file), whole.size() - c.cutBytes + (c.cutBytes ? 0 : 1));
        EXPECT_GT(r.seconds, 1.5);
        expectRepairedPrefix(file, 24, r.seconds);
    }
}

// A finished file is left as it is; a file that is not FLAC at all is not touched and the
// reason is given.
TEST(RecordFileRepair, FinishedOrForeignFlacFilesAreLeftAlone) {
    TestProgramFolder dir(false);
    const fs::path done = dir / "done.flac";
    CRecordWriter w;
    RecordTones(w, done, FileType::Flac, 8);
    const std::string before = readBytes(done);
    const RecordFileRepair::Result r = RecordFileRepair::Repair(done);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_NEAR(r.seconds, 8.0 * kBlockFrames / 44100, 1e-9);
    EXPECT_EQ(readBytes(done), before);
    EXPECT_TRUE(FlacDecode(done).signatureMatches);

    const std::string junk(3000, 'j');
    WriteBytes(dir / "junk.flac", junk.data(), junk.size());
    const RecordFileRepair::Result j = RecordFileRepair::Repair(dir / "junk.flac");
    EXPECT_FALSE(j.ok);
    EXPECT_NE(j.error.find("not a FLAC file"), std::string::npos) << j.error;
    EXPECT_EQ(readBytes(dir / "junk.flac"), junk);
}
