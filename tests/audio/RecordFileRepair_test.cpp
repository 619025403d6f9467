#include "AudioTestSupport.h"
#include "TestProgramFolder.h"
#include "audio/CWmvWriter.h"
#include "audio/RecordFileRepair.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

} // namespace

// A WMA file that a kill left open declares the length of the packets it keeps, so that
// players show it and can seek; a piece of a packet at the end is cut off. The header
// FFmpeg leaves behind already holds the preroll as its play duration.
TEST(RecordFileRepair, KilledWmaStatesTheLengthOfItsWholePackets) {
    TestProgramFolder dir(false);
    const fs::path live = dir / "live.wma";
    CWmvWriter w;
    ASSERT_TRUE(w.OpenWma(live, WaveFormat::Capture(), 128)) << w.errorText();
    for (uint32_t i = 0; i < 64; ++i) // 8 s
        ASSERT_EQ(w.WriteWma(BytesOf(ToneBlock(i)), kBlock), 0);

    struct Case {
        const char* name;
        uint64_t cut;   // bytes missing at the end
        uint64_t zeros; // bytes of zero at the end
    } cases[] = {{"whole packets", 0, 0},
                 {"a packet cut short", 5000, 0},
                 {"zeros after the packets", 0, 2 * CWmvWriter::kPacketBytes + 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = dir / (std::string(c.name) + ".wma");
        crashCopy(live, file, c.cut, c.zeros);
        EXPECT_LT(probedSeconds(file), 1.0) << "the copy is not an unfinished file";

        const RecordFileRepair::Result r = RecordFileRepair::Repair(file);
        ASSERT_TRUE(r.ok) << r.error;
        const double decoded = FfmpegDecode(file).size() / 2 / 44100.0;
        EXPECT_GT(decoded, 3.0);
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
        const uint64_t packets = (f.size() - data - 50) / CWmvWriter::kPacketBytes;
        EXPECT_EQ((f.size() - data - 50) % CWmvWriter::kPacketBytes, 0u);
        EXPECT_EQ(le64At(f, props + 40), f.size());
        EXPECT_EQ(le64At(f, props + 56), packets);
        EXPECT_EQ(le64At(f, data + 16), 50 + packets * CWmvWriter::kPacketBytes);
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
