// The ALSA back ends run for real here, against PCMs of a private ALSA configuration: a
// "file" plugin reading raw sound over a "null" slave stands for the sound card, and one
// writing a file stands for the speakers.
#include "AudioTestSupport.h"
#include "TestProgramFolder.h"
#include "audio/AlsaCaptureSource.h"
#include "audio/AlsaMonitorSink.h"
#include "audio/CSoundCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>

using namespace vorlane;
using namespace vorlane::test;
namespace fs = std::filesystem;

namespace {
constexpr uint32_t kInputBlocks = 40; // more than is read: the plugin repeats data past the end

std::vector<int16_t> blocksOf(const std::vector<int16_t>& s, uint32_t first, uint32_t count) {
    return {s.begin() + first * kBlock / 2, s.begin() + (first + count) * kBlock / 2};
}

class AlsaTest : public ::testing::Test {
protected:
    TestProgramFolder dir{false};
    std::vector<int16_t> a = PatternBlocks(0, kInputBlocks), b = PatternBlocks(1000, kInputBlocks);
    fs::path monitorOut = dir / "monitor.raw";
    std::optional<ScopedEnv> config;

    void SetUp() override {
        WriteBytes(dir / "a.raw", a.data(), a.size() * 2);
        WriteBytes(dir / "b.raw", b.data(), b.size() * 2);
        std::ofstream conf(dir / "asound.conf");
        auto in = [&](const char* name, const char* file, const char* desc) {
            conf << "pcm." << name << " {\n  type file\n  slave.pcm { type null }\n"
                 << "  file \"/dev/null\"\n  infile \"" << (dir / file).string() << "\"\n"
                 << "  format \"raw\"\n  hint { show on description \"" << desc << "\" }\n}\n";
        };
        in("vorlane_pnp_a", "a.raw", "USB PnP Audio Device (first)");
        in("vorlane_other", "a.raw", "SSS USB Audio Device");
        in("vorlane_pnp_b", "b.raw", "Line In (USB PnP Audio Device) second");
        conf << "pcm.vorlane_monitor {\n  type file\n  slave.pcm { type null }\n  file \""
             << monitorOut.string() << "\"\n  format \"raw\"\n}\n";
        conf.close();
        config.emplace("ALSA_CONFIG_PATH",
                       "/usr/share/alsa/alsa.conf:" + (dir / "asound.conf").string());
    }
};
} // namespace

TEST_F(AlsaTest, ListsCapturePcmsWithTheirDescriptions) {
    AlsaCaptureSource source;
    auto devices = source.listDevices();
    std::vector<std::string> ours;
    for (const auto& d : devices)
        if (d.id.rfind("vorlane_", 0) == 0)
            ours.push_back(d.id + "=" + d.description);
    EXPECT_EQ(ours, (std::vector<std::string>{
                        "vorlane_pnp_a=USB PnP Audio Device (first)",
                        "vorlane_other=SSS USB Audio Device",
                        "vorlane_pnp_b=Line In (USB PnP Audio Device) second",
                        "vorlane_monitor=vorlane_monitor",
                    }));
}

TEST_F(AlsaTest, RecordsTheLastMatchingDeviceBitForBitAndMonitorsIt) {
    std::atomic<int> volume{80}, balance{50}, type{0xD201}; // a turntable: no software gain
    CSoundCapture capture(std::make_unique<AlsaCaptureSource>(),
                          std::make_unique<AlsaMonitorSink>("vorlane_monitor"));
    capture.BindSettings(volume, balance, type);
    ASSERT_EQ(capture.Init(), 0);
    EXPECT_EQ(capture.ChosenDevice(), "vorlane_pnp_b");
    EXPECT_FALSE(capture.PlaybackFailed());
    ASSERT_EQ(capture.Start(), 0);
    ASSERT_TRUE(capture.StartRecording(dir / "rec.wav", FileType::Wav));
    auto step = [&](int n) {
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(capture.ProcessNotification(), 0);
    };
    step(3);
    capture.SetMonitorVolume(-10000);
    step(2);
    capture.SetMonitorVolume(-602); // about half
    step(2);
    capture.RequestStop();
    step(1);
    ASSERT_FALSE(capture.IsRecording());
    EXPECT_EQ(capture.BlockCount(), 8u);
    capture.ShutdownCapture();

    EXPECT_EQ(SoxDecode(dir / "rec.wav"), blocksOf(b, 0, 8));

    // The monitor got a lead of 4 silent blocks, then every block at its volume.
    std::string raw = readBytes(monitorOut);
    ASSERT_EQ(raw.size(), (4 + 8) * kBlock);
    std::vector<int16_t> out(raw.size() / 2);
    std::memcpy(out.data(), raw.data(), raw.size());
    EXPECT_EQ(blocksOf(out, 0, 4), std::vector<int16_t>(4 * kBlock / 2, 0));
    EXPECT_EQ(blocksOf(out, 4, 3), blocksOf(b, 0, 3));
    EXPECT_EQ(blocksOf(out, 7, 2), std::vector<int16_t>(2 * kBlock / 2, 0));
    auto half = blocksOf(out, 9, 2), full = blocksOf(b, 5, 2);
    for (size_t i = 0; i < half.size(); ++i)
        ASSERT_NEAR(half[i], full[i] * 0.5, 1.0 + std::abs(full[i]) * 0.001) << i;
}

TEST_F(AlsaTest, WithoutAnOutputDeviceCaptureAndRecordingStillWork) {
    std::atomic<int> volume{80}, balance{50}, type{0xD301};
    CSoundCapture capture(std::make_unique<AlsaCaptureSource>(),
                          std::make_unique<AlsaMonitorSink>("vorlane_no_such_output"));
    capture.BindSettings(volume, balance, type);
    ASSERT_EQ(capture.Init(), 0);
    EXPECT_TRUE(capture.PlaybackFailed());
    EXPECT_EQ(capture.ChosenDevice(), "vorlane_other");
    ASSERT_EQ(capture.Start(), 0);
    ASSERT_TRUE(capture.StartRecording(dir / "r.wav", FileType::Wav));
    ASSERT_EQ(capture.ProcessNotification(), 0);
    capture.RequestStop();
    ASSERT_EQ(capture.ProcessNotification(), 0);
    EXPECT_EQ(SoxDecode(dir / "r.wav"), blocksOf(a, 0, 2)); // type 0xD301 keeps full scale
}

TEST_F(AlsaTest, AMissingDeviceFailsWithAReason) {
    AlsaCaptureSource source;
    EXPECT_LT(source.open("vorlane_no_such_input", WaveFormat::Capture(), 5512, 16), 0);
    EXPECT_NE(source.errorText().find("vorlane_no_such_input"), std::string::npos);
    uint8_t* block = nullptr;
    EXPECT_EQ(source.readBlock(block, kBlock, 0), 0);
}
