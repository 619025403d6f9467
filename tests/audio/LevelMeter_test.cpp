#include "audio/LevelMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace vorlane;

namespace {
// 0, a, -a, a, -a, ...: every fall after the start spans 2a.
std::vector<int16_t> swingOf(int swing, size_t n = 5512) {
    std::vector<int16_t> s(n);
    for (size_t i = 1; i < n; ++i)
        s[i] = static_cast<int16_t>(i % 2 ? swing / 2 : -swing / 2);
    return s;
}

// A block whose channels carry the given swings (0: digital silence).
std::unique_ptr<ChannelBlock> blockOf(int leftSwing, int rightSwing) {
    auto b = std::make_unique<ChannelBlock>();
    auto l = swingOf(leftSwing), r = swingOf(rightSwing);
    std::copy(l.begin(), l.end(), b->left);
    std::copy(r.begin(), r.end(), b->right);
    b->bytesPerChannel = 11024;
    return b;
}
} // namespace

TEST(LevelMeter, LevelAndBarsFromTheMeanSwing) {
    struct Case {
        int swing;
        float level;
        int bars;
    } cases[] = {
        {0, 0.0f, 0},      // digital silence: no fall ever ends
        {100, 0.0f, 0},    // 20 log10 100 = 40 is the floor
        {1000, 20.0f, 20}, // -20 dB
        {10000, 40.0f, 40},
    };
    for (const Case& c : cases) {
        auto s = swingOf(c.swing);
        EXPECT_FLOAT_EQ(LevelMeter::MeanSwing(s.data(), static_cast<uint32_t>(s.size())),
                        static_cast<float>(c.swing));
        ChannelMeter m;
        LevelMeter::MeasureChannel(s.data(), 11024, m);
        EXPECT_TRUE(m.hasData);
        EXPECT_NEAR(m.level, c.level, 1e-4) << c.swing;
        EXPECT_EQ(m.bars, c.bars) << c.swing;
    }
    // A full-scale square wave is about 56.3; only 50 bars fit the strip.
    EXPECT_NEAR(LevelMeter::LevelFromSwing(65535.0f), 56.33f, 0.01);
    EXPECT_EQ(LevelMeter::BarCount(56.33f), 50);
    EXPECT_EQ(LevelMeter::BarCount(0.5f), 1);
    EXPECT_EQ(LevelMeter::LevelFromSwing(0.5f), 0.0f);
}

TEST(LevelMeter, MeanSwingCountsOnlyCompletedFalls) {
    // Falls 0->-100 (ends at 50), 50->-50 (ends at 0); the last fall never ends.
    std::vector<int16_t> s = {10, -100, 50, -50, 0, -300};
    EXPECT_FLOAT_EQ(LevelMeter::MeanSwing(s.data(), 6), 100.0f);
    // Starting below zero starts in a fall with trough 0.
    std::vector<int16_t> t = {-5, -20, 40, 0, 40};
    EXPECT_FLOAT_EQ(LevelMeter::MeanSwing(t.data(), 5), 30.0f);
}

TEST(LevelMeter, WaveformPoints) {
    EXPECT_EQ(LevelMeter::WaveY(0), 20);
    EXPECT_EQ(LevelMeter::WaveY(32767), 39);
    EXPECT_EQ(LevelMeter::WaveY(-32768), 0);
    EXPECT_EQ(LevelMeter::WaveY(-1639), 19); // truncation toward zero

    auto s = swingOf(20000);
    ChannelMeter m;
    LevelMeter::MeasureChannel(s.data(), 11024, m);
    // Every 22nd sample of 5,512, plus the start: about 250 segments.
    ASSERT_EQ(m.pointCount, 251);
    EXPECT_EQ(m.points[0].x, 0);
    EXPECT_EQ(m.points[0].y, 20);
    EXPECT_EQ(m.points[1].x, 1); // step 272 / 220
    EXPECT_EQ(m.points[250].x, 309);
    EXPECT_EQ(m.points[1].y, LevelMeter::WaveY(s[22]));

    // Blocks too short for the usual spacing still draw and do not divide by zero.
    LevelMeter::MeasureChannel(s.data(), 100, m);
    EXPECT_EQ(m.pointCount, 50);
    LevelMeter::MeasureChannel(s.data(), 2, m);
    EXPECT_EQ(m.pointCount, 1);
    LevelMeter::MeasureChannel(s.data(), 0, m);
    EXPECT_FALSE(m.hasData);
    EXPECT_EQ(m.pointCount, 0);
}

TEST(SilenceDetector, ThresholdIsSilenceLevelPlusOne) {
    SilenceDetector d;
    struct Case {
        float level;
        int silenceLevel;
        bool quiet;
    } cases[] = {{0.0f, 0, true},  {0.99f, 0, true},  {1.0f, 0, false},
                 {9.99f, 9, true}, {10.0f, 9, false}, {0.0f, 9, true}};
    for (const Case& c : cases) {
        d.SetLevel(0, c.level, c.silenceLevel);
        EXPECT_EQ(d.LeftQuiet(), c.quiet) << c.level << " " << c.silenceLevel;
    }
}

TEST(SilenceDetector, SplitOnceAfterMuteSecondsThenNeedsSoundAgain) {
    LevelMeter meter;
    auto quiet = blockOf(0, 0), loud = blockOf(10000, 10000);
    MeterSettings s{0, 2, 2};
    std::vector<int> splits;
    int update = 0;
    auto feed = [&](const ChannelBlock& b, int n) {
        for (int i = 0; i < n; ++i, ++update)
            if (meter.OnLevelUpdate(b, s).requestSplit)
                splits.push_back(update);
    };
    feed(*quiet, 40);
    EXPECT_EQ(splits, std::vector<int>{15}); // the 16th quiet update, once
    feed(*loud, 7);
    feed(*quiet, 20);
    EXPECT_EQ(splits.size(), 1u); // 7 loud updates do not end the silence
    feed(*loud, 8);
    EXPECT_FALSE(meter.Detector().InSilence());
    feed(*quiet, 15);
    EXPECT_EQ(splits.size(), 1u);
    feed(*quiet, 1);
    EXPECT_EQ(splits.size(), 2u);
}

TEST(SilenceDetector, OneLoudChannelIsNeverSilenceButOneQuietChannelHoldsIt) {
    LevelMeter meter;
    auto leftLoud = blockOf(10000, 0), quiet = blockOf(0, 0), loud = blockOf(10000, 10000);
    MeterSettings s{0, 1, 2};
    for (int i = 0; i < 100; ++i)
        EXPECT_FALSE(meter.OnLevelUpdate(*leftLoud, s).requestSplit);
    EXPECT_FALSE(meter.Detector().InSilence());
    for (int i = 0; i < 8; ++i)
        meter.OnLevelUpdate(*quiet, s);
    EXPECT_TRUE(meter.Detector().InSilence());
    for (int i = 0; i < 50; ++i)
        meter.OnLevelUpdate(*leftLoud, s);
    EXPECT_TRUE(meter.Detector().InSilence());
    for (int i = 0; i < 8; ++i)
        meter.OnLevelUpdate(*loud, s);
    EXPECT_FALSE(meter.Detector().InSilence());
}

TEST(SilenceDetector, OtherDivisionModesSeeSilenceWithoutSplitting) {
    LevelMeter meter;
    auto quiet = blockOf(0, 0);
    MeterSettings s{0, 1, 1};
    bool began = false;
    for (int i = 0; i < 8; ++i) {
        const MeterUpdate& u = meter.OnLevelUpdate(*quiet, s);
        EXPECT_FALSE(u.requestSplit);
        began |= u.silenceBegan;
    }
    EXPECT_TRUE(began);
}

TEST(SilenceDetector, EmptyBlockKeepsTheQuietFlagsButCounts) {
    LevelMeter meter;
    auto quiet = blockOf(0, 0);
    auto empty = std::make_unique<ChannelBlock>();
    MeterSettings s{0, 1, 2};
    for (int i = 0; i < 7; ++i)
        meter.OnLevelUpdate(*quiet, s);
    const MeterUpdate& u = meter.OnLevelUpdate(*empty, s);
    EXPECT_FALSE(u.left.hasData);
    EXPECT_EQ(u.left.bars, 0);
    EXPECT_TRUE(u.requestSplit); // the 8th update, with the flags of the last block
}

namespace {
// A block of n samples: a sine of `amplitude` at 1 kHz (0: none) over noise of +-noise,
// with full-scale clicks of clickMs at the given sample positions.
std::vector<int16_t> soundOf(double amplitude, int noise, double clickMs = 0,
                             std::vector<uint32_t> clicks = {}, uint32_t n = 5512) {
    std::vector<int16_t> s(n);
    uint32_t seed = 12345;
    for (uint32_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const int hiss = noise ? static_cast<int>(seed >> 16) % (2 * noise + 1) - noise : 0;
        s[i] = static_cast<int16_t>(amplitude * std::sin(2 * M_PI * 1000.0 * i / 44100.0) + hiss);
    }
    const auto width = static_cast<uint32_t>(clickMs * 44.1);
    for (uint32_t at : clicks)
        for (uint32_t i = at; i < at + width && i < n; ++i)
            s[i] = (i - at) % 2 ? -32767 : 32767;
    return s;
}
} // namespace

TEST(LevelMeter, QuietLevelIgnoresClicksButNotSound) {
    const double minus45dB = 32767 * std::pow(10.0, -45 / 20.0);
    struct Case {
        const char* what;
        std::vector<int16_t> samples;
        bool quietAtDefault;   // quiet at the shipped "Silence Level" 2 ("-37")
        bool quietAtStrictest; // quiet at "Silence Level" 0 ("-39")
    } cases[] = {
        {"digital silence", soundOf(0, 0), true, true},
        {"hiss of 6 LSB", soundOf(0, 6), true, true},
        {"hiss near -60 dBFS", soundOf(0, 33), true, true},
        {"a 2 ms pop", soundOf(0, 6, 2, {3000}), true, true},
        {"a 5 ms click", soundOf(0, 6, 5, {100}), true, true},
        {"three clicks of 3 ms", soundOf(0, 6, 3, {200, 2500, 5000}), true, true},
        {"a quiet passage at -45 dBFS", soundOf(minus45dB, 6), false, false},
        {"a note at -20 dBFS", soundOf(3277, 6), false, false},
        {"a note with a click", soundOf(3277, 6, 2, {1000}), false, false},
    };
    for (const Case& c : cases) {
        const float q = LevelMeter::QuietLevel(c.samples.data(), uint32_t(c.samples.size()));
        EXPECT_EQ(q < 3.0f, c.quietAtDefault) << c.what << " " << q;
        EXPECT_EQ(q < 1.0f, c.quietAtStrictest) << c.what << " " << q;
    }
    // The visible level still shows the click.
    auto pop = soundOf(0, 6, 2, {3000});
    EXPECT_GT(LevelMeter::LevelFromSwing(LevelMeter::MeanSwing(pop.data(), 5512)), 10.0f);
}

// Blocks numbered from 100: 4 loud, `gap` quiet ones with a click in every third, then loud.
TEST(SilenceDetector, SplitNamesTheBlockTheNextFileStartsWith) {
    struct Case {
        bool cutBefore;
        int gap;
        uint64_t splitBlock;
        int splitAfter; // blocks fed when the split is asked for
    } cases[] = {
        {false, 30, 104 + 16, 4 + 16},        // the block after the 16th quiet one
        {true, 30, 104 + 30 - 4, 4 + 30 + 1}, // 0.5 s before the sound, when it comes
        {true, 17, 104 + 17 - 4, 4 + 17 + 1},
    };
    for (const Case& c : cases) {
        LevelMeter meter;
        MeterSettings s{2, 2, 2, c.cutBefore};
        auto block = std::make_unique<ChannelBlock>();
        block->bytesPerChannel = 11024;
        auto quiet = soundOf(0, 6), click = soundOf(0, 6, 3, {2000}), loud = soundOf(3277, 6);
        std::vector<uint64_t> splits;
        std::vector<int> when;
        for (int i = 0; i < 4 + c.gap + 20; ++i) {
            const auto& src = i < 4 || i >= 4 + c.gap ? loud : i % 3 ? quiet : click;
            std::copy(src.begin(), src.end(), block->left);
            std::copy(src.begin(), src.end(), block->right);
            block->number = 100 + uint64_t(i);
            const MeterUpdate& u = meter.OnLevelUpdate(*block, s);
            if (u.requestSplit) {
                splits.push_back(u.splitBlock);
                when.push_back(i + 1);
                EXPECT_EQ(u.silenceBlock, 104u + 15) << c.gap;
            }
        }
        EXPECT_EQ(splits, std::vector<uint64_t>{c.splitBlock}) << c.cutBefore << " " << c.gap;
        EXPECT_EQ(when, std::vector<int>{c.splitAfter}) << c.cutBefore << " " << c.gap;
    }
}
