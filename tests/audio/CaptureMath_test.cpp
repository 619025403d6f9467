#include "audio/AlsaCaptureSource.h"
#include "audio/CaptureMath.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace vorlane;

TEST(CaptureMath, BlockSizeIsAnEighthOfASecondInWholeFrames) {
    EXPECT_EQ(CaptureMath::BlockSize(WaveFormat::Capture()), 22048u);
    EXPECT_EQ(CaptureMath::BlockSize(WaveFormat::Pcm(1, 8000, 8)), 4096u); // raised to 4,096
    EXPECT_EQ(CaptureMath::BlockSize(WaveFormat::Pcm(3, 44100, 16)), 33072u);
}

TEST(CaptureMath, DeviceChoice) {
    std::vector<CaptureDevice> devices = {
        {"", "Default: USB PnP Audio Device"}, // the default entry is never chosen by name
        {"a", "Line (USB PnP Audio Device)"},
        {"b", "Built-in microphone"},
        {"c", "Mic (USB PnP Audio Device) second"},
        {"d", "usb pnp audio device"}, // the search is case-sensitive
    };
    EXPECT_EQ(CaptureMath::ChooseDevice(devices, 0xD201), "c"); // the last match wins
    EXPECT_EQ(CaptureMath::ChooseDevice(devices, 0xD301), "");  // no match: default device
    EXPECT_EQ(CaptureMath::ChooseDevice({}, 0xD201), "");

    // Only the first 20 devices with an id are examined.
    std::vector<CaptureDevice> many;
    for (int i = 0; i < 20; ++i)
        many.push_back({"x" + std::to_string(i), i == 3 ? "SSS USB Audio Device" : "other"});
    many.push_back({"late", "SSS USB Audio Device"});
    EXPECT_EQ(CaptureMath::ChooseDevice(many, 0xD301), "x3");
}

TEST(CaptureMath, AdapterNameWithTrailingBlanksMatchesAnAlsaCardDescription) {
    // The kernel trims the product string "QX USB Audio Adapter  " to the card name.
    std::string desc = AlsaCaptureSource::Describe(
        "QX USB Audio Adapter",
        "QX USB Audio Adapter, USB Audio\nHardware device with all software conversions");
    EXPECT_EQ(CaptureMath::ChooseDevice({{"plughw:CARD=Adapter,DEV=0", desc}}, 0xD105),
              "plughw:CARD=Adapter,DEV=0");
    EXPECT_EQ(desc.find('\n'), std::string::npos);
    EXPECT_EQ(AlsaCaptureSource::Describe("", "Private PCM\nsecond line"),
              "Private PCM second line");
}

namespace {
std::vector<int16_t> scaled(std::vector<int16_t> samples, int volume, int balance, int type) {
    CaptureMath::ApplyGain(reinterpret_cast<uint8_t*>(samples.data()), samples.size(),
                           CaptureMath::Gain(volume, balance, type));
    return samples;
}
} // namespace

TEST(CaptureMath, RecordVolumeTruncatesTowardZero) {
    // Pairs of (left, right) samples; 80 % of each, truncated.
    std::vector<int16_t> in = {-3, 3, 5, -5, 32767, -32768, 1, -1, 0, 10000};
    std::vector<int16_t> want = {-2, 2, 4, -4, 26213, -26214, 0, 0, 0, 8000};
    EXPECT_EQ(scaled(in, 80, 50, 0xD105), want);
    EXPECT_EQ(scaled(in, 80, 50, 0), want);
    EXPECT_EQ(scaled(in, 80, 50, 0xD500), want);
    // Devices with their own input mixer keep full scale.
    for (int type : {0xD200, 0xD201, 0xD301, 0xD401, 0xD4FF})
        EXPECT_EQ(scaled(in, 80, 50, type), in) << std::hex << type;
    EXPECT_EQ(scaled(in, 100, 50, 0xD105), in);
    EXPECT_EQ(scaled(in, 0, 50, 0xD105), std::vector<int16_t>(in.size(), 0));
}

TEST(CaptureMath, BalanceScalesOneSide) {
    std::vector<int16_t> in = {1000, 1000, -999, -999, 32767, 32767};
    EXPECT_EQ(scaled(in, 100, 75, 0xD201),
              (std::vector<int16_t>{500, 1000, -499, -999, 16383, 32767}));
    EXPECT_EQ(scaled(in, 100, 25, 0xD201),
              (std::vector<int16_t>{1000, 500, -999, -499, 32767, 16383}));
    EXPECT_EQ(scaled(in, 100, 50, 0xD201), in);
    EXPECT_EQ(scaled(in, 100, 100, 0xD201), (std::vector<int16_t>{0, 1000, 0, -999, 0, 32767}));
    // Balance and volume together: left 0.5 * 0.8.
    EXPECT_EQ(scaled(in, 80, 75, 0xD105),
              (std::vector<int16_t>{400, 800, -399, -799, 13106, 26213}));
}

TEST(CaptureMath, SettingsOutsideTheirRangeNeitherAmplifyNorInvert) {
    std::vector<int16_t> in = {30000, -30000};
    EXPECT_EQ(scaled(in, 250, 50, 0xD105), in);
    EXPECT_EQ(scaled(in, -20, 50, 0xD105), (std::vector<int16_t>{0, 0}));
    EXPECT_EQ(scaled(in, 100, 180, 0xD105), (std::vector<int16_t>{0, -30000}));
    EXPECT_EQ(scaled(in, 100, -7, 0xD105), (std::vector<int16_t>{30000, 0}));
}

TEST(CaptureMath, ChannelSplit) {
    std::vector<int16_t> block = {1, -1, 2, -2, 3, -3, 4, -4};
    int16_t left[8] = {}, right[8] = {};
    uint32_t n = CaptureMath::SplitChannels(reinterpret_cast<uint8_t*>(block.data()), 16,
                                            WaveFormat::Capture(), left, right);
    EXPECT_EQ(n, 8u);
    EXPECT_EQ(std::vector<int16_t>(left, left + 4), (std::vector<int16_t>{1, 2, 3, 4}));
    EXPECT_EQ(std::vector<int16_t>(right, right + 4), (std::vector<int16_t>{-1, -2, -3, -4}));

    // A mono device: the whole block goes to both channels.
    int16_t ml[8] = {}, mr[8] = {};
    n = CaptureMath::SplitChannels(reinterpret_cast<uint8_t*>(block.data()), 16,
                                   WaveFormat::Pcm(1, 44100, 16), ml, mr);
    EXPECT_EQ(n, 16u);
    EXPECT_EQ(std::memcmp(ml, block.data(), 16), 0);
    EXPECT_EQ(std::memcmp(mr, block.data(), 16), 0);
}
