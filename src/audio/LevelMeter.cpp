#include "audio/LevelMeter.h"

#include <cmath>

namespace vorlane {

int LevelMeter::WaveY(int16_t v) {
    return v * kStripHeight / 65535 + kStripHeight / 2;
}

namespace {

// The falls from a peak to the following trough: their count and summed height.
struct Swings {
    float sum = 0.0f;
    int count = 0;
};

Swings swingsOf(const int16_t* s, uint32_t count) {
    Swings out;
    if (count == 0)
        return out;
    bool falling = s[0] < 0;
    int16_t trough = 0;
    int16_t peak = 0;
    for (uint32_t i = 1; i < count; ++i) {
        if (falling) {
            if (s[i] > trough) {
                falling = false;
                ++out.count;
                out.sum += static_cast<float>(peak - trough);
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
    return out;
}

} // namespace

float LevelMeter::MeanSwing(const int16_t* s, uint32_t count) {
    const Swings w = swingsOf(s, count);
    return w.count > 0 ? w.sum / static_cast<float>(w.count) : w.sum;
}

float LevelMeter::QuietLevel(const int16_t* s, uint32_t count) {
    if (!s || count == 0)
        return 0.0f;
    // Fixed room, so that the meter allocates nothing: a longer block gets longer stretches.
    constexpr uint32_t kMaxStretches = 32;
    uint32_t length = kStretchSamples;
    if (count > length * kMaxStretches)
        length = (count + kMaxStretches - 1) / kMaxStretches;
    const uint32_t stretches = count / length ? count / length : 1;
    struct Stretch {
        double energy = 0.0; // mean square
        double squares = 0.0;
        uint32_t samples = 0;
        Swings swings;
    } st[kMaxStretches];
    uint32_t order[kMaxStretches];
    for (uint32_t k = 0; k < stretches; ++k) {
        const uint32_t from = k * length;
        // The remainder joins the last stretch.
        const uint32_t n = k + 1 == stretches ? count - from : length;
        double squares = 0.0;
        for (uint32_t i = 0; i < n; ++i)
            squares += static_cast<double>(s[from + i]) * s[from + i];
        st[k].squares = squares;
        st[k].samples = n;
        st[k].energy = squares / n;
        st[k].swings = swingsOf(s + from, n);
        // Insertion sort by energy, quietest first.
        uint32_t j = k;
        for (; j > 0 && st[order[j - 1]].energy > st[k].energy; --j)
            order[j] = order[j - 1];
        order[j] = k;
    }
    // An impulse of up to 20 ms touches at most three stretches of 10 ms.
    const uint32_t kept = stretches - stretches / 3;
    Swings swings;
    double squares = 0.0;
    uint32_t samples = 0;
    for (uint32_t j = 0; j < kept; ++j) {
        const Stretch& t = st[order[j]];
        swings.sum += t.swings.sum;
        swings.count += t.swings.count;
        squares += t.squares;
        samples += t.samples;
    }
    const float meanSwing =
        swings.count > 0 ? swings.sum / static_cast<float>(swings.count) : swings.sum;
    // A steady tone's mean swing is 2.83 x its RMS; noise has few large falls, so its RMS
    // keeps a hiss from passing as quiet.
    const float rms = static_cast<float>(std::sqrt(squares / samples)) * 1.69f;
    return LevelFromSwing(meanSwing > rms ? meanSwing : rms);
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
    const uint32_t count = block.sampleCount();
    if (update_.left.hasData)
        detector_.SetLevel(0, QuietLevel(block.left, count), settings.silenceLevel);
    if (update_.right.hasData)
        detector_.SetLevel(1, QuietLevel(block.right, count), settings.silenceLevel);
    const bool quiet = detector_.LeftQuiet() && detector_.RightQuiet();
    if (quiet && !bothQuiet_)
        quietSince_ = block.number;
    bothQuiet_ = quiet;
    update_.silenceBegan = detector_.Step(settings.recordMuteSecond);
    update_.requestSplit = false;
    const bool dividing = settings.recordDiviType == 2;
    if (!dividing || !settings.cutBeforeNextTrack)
        awaitingSound_ = false;
    if (update_.silenceBegan && dividing) {
        silenceAt_ = block.number;
        if (settings.cutBeforeNextTrack) {
            awaitingSound_ = true;
            gapStart_ = quietSince_;
        } else {
            update_.requestSplit = true;
            update_.splitBlock = block.number + 1;
        }
    } else if (awaitingSound_ && !quiet) {
        awaitingSound_ = false;
        update_.requestSplit = true;
        const uint64_t lead = block.number >= kLeadBlocks ? block.number - kLeadBlocks : 0;
        update_.splitBlock = lead > gapStart_ ? lead : gapStart_;
    }
    update_.silenceBlock = silenceAt_;
    return update_;
}

bool LevelMeter::OnQueuedBlocks(ChannelQueue& queue, const MeterSettings& settings) {
    bool any = false;
    while (const ChannelBlock* block = queue.front()) {
        any = true;
        const bool split = OnLevelUpdate(*block, settings).requestSplit;
        queue.pop();
        if (split)
            break;
    }
    return any;
}

} // namespace vorlane
