#include "audio/LevelMeter.h"

#include <cmath>

namespace vorlane {

int LevelMeter::WaveY(int16_t v) {
    return v * kStripHeight / 65535 + kStripHeight / 2;
}

float LevelMeter::MeanSwing(const int16_t* s, uint32_t count) {
    if (count == 0)
        return 0.0f;
    bool falling = s[0] < 0;
    int16_t trough = 0;
    int16_t peak = 0;
    int swings = 0;
    float sum = 0.0f;
    for (uint32_t i = 1; i < count; ++i) {
        if (falling) {
            if (s[i] > trough) {
                falling = false;
                ++swings;
                sum += static_cast<float>(peak - trough);
                peak = s[i];
            } else {
                trough = s[i];
            }
        } else if (s[i] < peak) {
            falling = true;
            trough = s[i];
        } else {
            peak = s[i];
        }
    }
    return swings > 0 ? sum / static_cast<float>(swings) : sum;
}

float LevelMeter::LevelFromSwing(float swing) {
    float level = swing >= 1.0f ? static_cast<float>(20.0 * std::log10(swing)) : 0.0f;
    return level >= 40.0f ? level - 40.0f : 0.0f;
}

int LevelMeter::BarCount(float level) {
    int k = 0;
    while (k < kMaxBars && level > static_cast<float>(k))
        ++k;
    return k;
}

void LevelMeter::MeasureChannel(const int16_t* s, uint32_t bytes, ChannelMeter& out) {
    const uint32_t count = bytes / 2;
    out.pointCount = 0;
    if (!s || count == 0) {
        out.hasData = false;
        out.level = 0.0f;
        out.bars = 0;
        return;
    }
    out.hasData = true;
    // About 250 segments for a full block. Short blocks would divide by zero: they get a
    // point per sample and a step as for 50 bytes.
    const uint32_t every = bytes / 480 ? bytes / 480 : 1;
    const float step =
        static_cast<float>(kStripWidth) / static_cast<float>(bytes / 50 ? bytes / 50 : 1);
    float x = 0.0f;
    out.points[out.pointCount++] = {0, WaveY(s[0])};
    for (uint32_t i = 1; i < count && out.pointCount < ChannelMeter::kMaxPoints; ++i) {
        if (i % every == 0) {
            x += step;
            out.points[out.pointCount++] = {static_cast<int>(x), WaveY(s[i])};
        }
    }
    out.level = LevelFromSwing(MeanSwing(s, count));
    out.bars = BarCount(out.level);
}

const MeterUpdate& LevelMeter::OnLevelUpdate(const ChannelBlock& block,
                                             const MeterSettings& settings) {
    MeasureChannel(block.left, block.bytesPerChannel, update_.left);
    MeasureChannel(block.right, block.bytesPerChannel, update_.right);
    if (update_.left.hasData)
        detector_.SetLevel(0, update_.left.level, settings.silenceLevel);
    if (update_.right.hasData)
        detector_.SetLevel(1, update_.right.level, settings.silenceLevel);
    update_.silenceBegan = detector_.Step(settings.recordMuteSecond);
    update_.requestSplit = update_.silenceBegan && settings.recordDiviType == 2;
    return update_;
}

} // namespace vorlane
