#include "AudioTestSupport.h"
#include "TestProgramFolder.h"
#include "audio/CRecordWriter.h"
#include "audio/RecordFileRepair.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace vorlane;
using namespace vorlane::test;
namespace fs = std::filesystem;

namespace {
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
