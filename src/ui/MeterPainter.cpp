#include "ui/MeterPainter.h"

#include <QPainter>
#include <QPoint>
#include <array>

namespace vorlane {

namespace {
// Clears the area to black and keeps what follows inside it, until the painter is restored.
void beginBlackArea(QPainter& painter, const skin::Rect& r) {
    const QRect area{r.x, r.y, r.width, r.height};
    painter.save();
    painter.setClipRect(area);
    painter.fillRect(area, Qt::black);
}
} // namespace

void MeterPainter::paintChannel(QPainter& painter, const ChannelMeter& channel,
                                const skin::Rect& wave, const skin::Rect& meter) {
    paintWave(painter, channel, wave);
    paintBars(painter, channel, meter);
}

void MeterPainter::paintWave(QPainter& painter, const ChannelMeter& channel,
                             const skin::Rect& wave) {
    beginBlackArea(painter, wave);
    if (channel.hasData && channel.pointCount > 1) {
        std::array<QPoint, ChannelMeter::kMaxPoints> points;
        for (int i = 0; i < channel.pointCount; ++i)
            points[i] = QPoint(wave.x + channel.points[i].x, wave.y + channel.points[i].y);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QColor(QRgb(kGreen)));
        painter.drawPolyline(points.data(), channel.pointCount);
    }
    painter.restore();
}

void MeterPainter::paintBars(QPainter& painter, const ChannelMeter& channel,
                             const skin::Rect& meter) {
    beginBlackArea(painter, meter);
    if (channel.hasData) {
        const QColor green{QRgb(kGreen)};
        for (int k = 0; k < channel.bars; ++k)
            painter.fillRect(meter.x + LevelMeter::BarX(k), meter.y + LevelMeter::kBarY,
                             LevelMeter::kBarWidth, LevelMeter::kBarHeight, green);
    }
    painter.restore();
}

} // namespace vorlane
