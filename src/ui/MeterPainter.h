#pragma once

#include "audio/LevelMeter.h"
#include "ui/SkinLayout.h"

class QPainter;

namespace vorlane {

// Draws what the level meter measured for one channel: the waveform strip and the bar
// meter, each cleared to black, the line and the bars in green. A channel without data
// gets both drawn empty.
//
// Thread contract: GUI thread only.
class MeterPainter {
public:
    static constexpr unsigned kGreen = 0x00FF00; // 0xRRGGBB

    static void paintChannel(QPainter& painter, const ChannelMeter& channel, const skin::Rect& wave,
                             const skin::Rect& meter);
    static void paintWave(QPainter& painter, const ChannelMeter& channel, const skin::Rect& wave);
    static void paintBars(QPainter& painter, const ChannelMeter& channel, const skin::Rect& meter);
};

} // namespace vorlane
