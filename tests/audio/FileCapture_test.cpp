#include "AudioTestSupport.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "audio/AudioBackends.h"
#include "audio/FileCaptureSource.h"
#include "audio/WavFileReader.h"
#include "audio/WavFileWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

using namespace vorlane;
using namespace vorlane::test;

namespace {
// Builds a RIFF file from chunks given as (id, payload).
std::string riff(std::initializer_list<std::pair<std::string, std::string>> chunks,
                 const char* form = "WAVE") {
    std::string body = form;
    for (const auto& [id, payload] : chunks) {
        uint32_t n = static_cast<uint32_t>(payload.size());
        body += id + std::string(reinterpret_cast<const char*>(&n), 4) + payload;
        if (n & 1)
            body += '\0';
    }
    uint32_t size = static_cast<uint32_t>(body.size());
    return "RIFF" + std::string(reinterpret_cast<const char*>(&size), 4) + body;
}

std::string fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, size_t size = 16) {
    std::string f(size, '\0');
    uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    uint32_t bps = rate * align;
    std::memcpy(&f[0], &tag, 2);
    std::memcpy(&f[2], &channels, 2);
    std::memcpy(&f[4], &rate, 4);
    std::memcpy(&f[8], &bps, 4);
    std::memcpy(&f[12], &align, 2);
    std::memcpy(&f[14], &bits, 2);
    if (tag == 0xFFFE) {
        uint16_t sub = 1;
        std::memcpy(&f[24], &sub, 2);
    }
    return f;
}
} // namespace

TEST(WavFileReader, HeaderCases) {
    const std::string pcm = fmt(1, 2, 44100, 16), data(400, 'd');
    struct Case {
        const char* what;
        std::string file;
        int64_t sizeOverride; // file size to claim, -1: the real one
        const char* error;    // substring of the error; nullptr: valid
        uint64_t offset, bytes;
    } cases[] = {
        {"plain", riff({{"fmt ", pcm}, {"data", data}}), -1, nullptr, 44, 400},
        {"18-byte fmt", riff({{"fmt ", fmt(1, 2, 44100, 16, 18)}, {"data", data}}), -1, nullptr, 46,
         400},
        {"extensible", riff({{"fmt ", fmt(0xFFFE, 2, 44100, 16, 40)}, {"data", data}}), -1, nullptr,
         68, 400},
        {"odd chunk padded", riff({{"fmt ", pcm}, {"LIST", "abc"}, {"data", data}}), -1, nullptr,
         56, 400},
        {"truncated data", riff({{"fmt ", pcm}, {"data", data}}), 44 + 123, nullptr, 44, 120},
        {"not riff", "RIFX" + std::string(40, '\0'), -1, "not a RIFF WAVE", 0, 0},
        {"not wave", riff({{"fmt ", pcm}}, "AVI "), -1, "not a RIFF WAVE", 0, 0},
        {"float", riff({{"fmt ", fmt(3, 2, 44100, 32)}, {"data", data}}), -1, "not PCM", 0, 0},
        {"data first", riff({{"data", data}, {"fmt ", pcm}}), -1, "no format chunk", 0, 0},
        {"no data", riff({{"fmt ", pcm}}), -1, "no sample data", 0, 0},
        {"short fmt", riff({{"fmt ", std::string(10, '\0')}, {"data", data}}), -1, "too short", 0,
         0},
        {"zero channels", riff({{"fmt ", fmt(1, 0, 44100, 16)}, {"data", data}}), -1,
         "inconsistent", 0, 0},
        {"empty", "", -1, "not a RIFF WAVE", 0, 0},
    };
    for (const Case& c : cases) {
        WavLayout layout;
        uint64_t size = c.sizeOverride >= 0 ? static_cast<uint64_t>(c.sizeOverride) : c.file.size();
        std::string err = WavFileReader::ParseHeader(
            reinterpret_cast<const uint8_t*>(c.file.data()), c.file.size(), size, layout);
        if (c.error) {
            EXPECT_NE(err.find(c.error), std::string::npos) << c.what << ": " << err;
        } else {
            EXPECT_EQ(err, "") << c.what;
            EXPECT_EQ(layout.dataOffset, c.offset) << c.what;
            EXPECT_EQ(layout.dataBytes, c.bytes) << c.what;
            EXPECT_EQ(layout.format.channels, 2) << c.what;
        }
    }
}

TEST(AudioBackends, SpeedText) {
    struct Case {
        const char* text;
        double speed;
    } cases[] = {{nullptr, 1}, {"", 1},   {"2", 2},   {"1.5", 1.5}, {"200 ", 200},
                 {"0", 1},     {"-3", 1}, {"abc", 1}, {"5x", 1},    {"inf", 1}};
    for (const Case& c : cases)
        EXPECT_EQ(AudioBackends::ParseSpeed(c.text), c.speed) << (c.text ? c.text : "null");
}

TEST(FileCaptureSource, UnusableFilesAreRefusedWithAReason) {
    TestProgramFolder dir(false);
    const std::string data(400, 'd');
    dir.writeFile("48k.wav", riff({{"fmt ", fmt(1, 2, 48000, 16)}, {"data", data}}));
    dir.writeFile("8bit.wav", riff({{"fmt ", fmt(1, 2, 44100, 8)}, {"data", data}}));
    dir.writeFile("junk.wav", "this is no sound file");
    dir.writeFile("empty.wav", riff({{"fmt ", fmt(1, 2, 44100, 16)}, {"data", ""}}));
    struct Case {
        const char* name;
        const char* reason;
    } cases[] = {{"missing.wav", "No such file"},
                 {"48k.wav", "44100 Hz"},
                 {"8bit.wav", "16-bit"},
                 {"junk.wav", "not a RIFF WAVE"},
                 {"empty.wav", "no samples"}};
    for (const Case& c : cases) {
        FileCaptureSource s(dir / c.name, 1.0);
        EXPECT_EQ(s.open("", WaveFormat::Capture(), 5512, 16), -EINVAL) << c.name;
        EXPECT_NE(s.errorText().find(c.name), std::string::npos) << s.errorText();
        EXPECT_NE(s.errorText().find(c.reason), std::string::npos) << s.errorText();
    }
}

// A file shorter than a block loops inside it, bit for bit, and a mono file goes to both
// channels.
TEST(FileCaptureSource, ShortFileLoopsBitExactAtItsSpeed) {
    TestProgramFolder dir(false);
    for (uint16_t channels : {1, 2}) {
        SCOPED_TRACE(channels);
        // 1,000 frames: a block wraps around them several times.
        std::vector<int16_t> in(1000u * channels);
        for (uint32_t i = 0; i < in.size(); ++i)
            in[i] = PatternSample(channels, i);
        WavFileWriter w;
        ASSERT_TRUE(w.open(dir / "in.wav", WaveFormat::Pcm(channels, 44100, 16)));
        ASSERT_TRUE(w.writeBlock(reinterpret_cast<uint8_t*>(in.data()), 2000u * channels));
        ASSERT_TRUE(w.close());

        FileCaptureSource s(dir / "in.wav", 10.0); // a block every 12.5 ms
        ASSERT_EQ(s.open("", WaveFormat::Capture(), 5512, 16), 0);
        ASSERT_EQ(s.start(), 0);
        auto t0 = std::chrono::steady_clock::now();
        uint32_t frame = 0;
        for (int b = 0; b < 5; ++b) {
            if (b == 4) {
                EXPECT_GE(msSince(t0), 49); // 4 blocks of 12.5 ms
                // More than a ring behind: a test feed waits instead of losing sound.
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            }
            uint8_t* block = nullptr;
            int n = 0;
            while ((n = s.readBlock(block, kBlock, 250)) == 0) {
            }
            ASSERT_EQ(n, static_cast<int>(kBlock));
            for (uint32_t i = 0; i < 5512; ++i, ++frame) {
                int16_t l, r;
                std::memcpy(&l, block + 4 * i, 2);
                std::memcpy(&r, block + 4 * i + 2, 2);
                ASSERT_EQ(l, in[(frame % 1000) * channels]) << frame;
                ASSERT_EQ(r, in[(frame % 1000) * channels + channels - 1]) << frame;
            }
        }
        EXPECT_EQ(s.overruns(), 0u);
        s.wake();
        uint8_t* block = nullptr;
        EXPECT_EQ(s.readBlock(block, kBlock, 1000), 0); // a wake ends the wait at once
    }
}
