#pragma once

#include "audio/ChannelBlock.h"
#include "audio/ChannelQueue.h"
#include "audio/SilenceDetector.h"

#include <cstdint>

namespace vorlane {

// A point of the waveform polyline, in pixels of the 272 x 40 strip.
struct WavePoint {
    int x = 0;
    int y = 0;
};

// What the meter shows for one channel.
struct ChannelMeter {
    static constexpr int kMaxPoints = 512;

    bool hasData = false; // false: the strip and the bars are drawn empty
    float level = 0.0f;   // decibel steps above -40 dB
    int bars = 0;         // visible bars, at most LevelMeter::kMaxBars
    int pointCount = 0;   // the polyline starts at points[0]
    WavePoint points[kMaxPoints];
};

struct MeterSettings {
    int silenceLevel = 0;            // "Silence Level", 0..9: threshold -39 dB .. -30 dB
    int recordMuteSecond = 0;        // "RecordMuteSecond"
    int recordDiviType = 0;          // "RecordDiviType"; 2 divides on silence
    bool cutBeforeNextTrack = false; // "CutBeforeNextTrack": cut just before the next sound
};

struct MeterUpdate {
    ChannelMeter left;
    ChannelMeter right;
    bool silenceBegan = false;
    bool requestSplit = false; // post the split-track command
    uint64_t splitBlock = 0;   // with requestSplit: the block the next file starts with
    uint64_t silenceBlock = 0; // with requestSplit: the block at which the silence began
};

// The level meter for the captured blocks: per channel the waveform points, a level in
// decibel steps and its bar count, then the silence state machine. Pure computation; the
// panel draws the result.
//
// A channel counts as quiet by its QuietLevel, which ignores impulses (clicks, pops) of up
// to 20 ms, so that a click in a gap does not restart the silence count. A split names the
// block the next file starts with: the block after the one at which the silence began, or,
// with cutBeforeNextTrack, kLeadBlocks before the first block with sound after it (not
// before the quiet stretch began), so that the gap stays with the track it follows.
//
// Thread contract: one thread (the panel's).
class LevelMeter {
public:
    static constexpr int kStripWidth = 272;
    static constexpr int kStripHeight = 40;
    static constexpr int kMaxBars = 50; // the 100-pixel bar strip holds 50 bars
    static constexpr int kBarY = 1;
    static constexpr int kBarWidth = 1;
    static constexpr int kBarHeight = 18;
    static constexpr int BarX(int k) { return 1 + 2 * k; }

    static constexpr uint64_t kLeadBlocks = 4;       // 0.5 s before the next track's sound
    static constexpr uint32_t kStretchSamples = 441; // 10 ms

    // One update: measures both channels of the block and steps the silence detector.
    const MeterUpdate& OnLevelUpdate(const ChannelBlock& block, const MeterSettings& settings);
    // Meters the queued blocks in order, up to and including one that asks for a split,
    // so that the caller sees every split. False when no block was queued.
    bool OnQueuedBlocks(ChannelQueue& queue, const MeterSettings& settings);
    const MeterUpdate& Last() const { return update_; }
    SilenceDetector& Detector() { return detector_; }

    // Measures `bytes` bytes of 16-bit samples of one channel.
    static void MeasureChannel(const int16_t* samples, uint32_t bytes, ChannelMeter& out);
    // Strip row of a sample value.
    static int WaveY(int16_t v);
    // Mean height of the falls from a peak to the following trough.
    static float MeanSwing(const int16_t* samples, uint32_t count);
    // 20 log10(swing) less 40, not below 0.
    static float LevelFromSwing(float swing);
    static int BarCount(float level);
    // The level of the channel with its loudest third of 10 ms stretches left out:
    // max(mean swing, RMS x 1.69) of the rest, on the scale of LevelFromSwing.
    static float QuietLevel(const int16_t* samples, uint32_t count);

private:
    MeterUpdate update_;
    SilenceDetector detector_;
    bool bothQuiet_ = false;
    uint64_t quietSince_ = 0;    // first block of the present run of quiet blocks
    bool awaitingSound_ = false; // silence began; the split waits for the next sound
    uint64_t gapStart_ = 0;
    uint64_t silenceAt_ = 0;
};

} // namespace vorlane
