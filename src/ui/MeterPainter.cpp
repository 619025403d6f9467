#include "ui/MeterPainter.h"

#include <QPainter>
#include <QPoint>
#include <array>

namespace vorlane {

namespace {
QRect toQRect(const skin::Rect& r) {
    return {r.x, r.y, r.width, r.height};
}
} // namespace

void MeterPainter::paintChannel(QPainter& painter, const ChannelMeter& channel,
                                const skin::Rect& wave, const skin::Rect& meter) {
    paintWave(painter, channel, wave);
    paintBars(painter, channel, meter);
}

void MeterPainter::paintWave(QPainter& painter, const ChannelMeter& channel,
                             const skin::Rect& wave) {
    const QRect area = toQRect(wave);
    painter.save();
    painter.setClipRect(area);
    painter.fillRect(area, Qt::black);
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
    const QRect area = toQRect(meter);
    painter.save();
    painter.setClipRect(area);
    painter.fillRect(area, Qt::black);
    if (channel.hasData) {
        const QColor green{QRgb(kGreen)};
        for (int k = 0; k < channel.bars; ++k)
            painter.fillRect(meter.x + LevelMeter::BarX(k), meter.y + LevelMeter::kBarY,
                             LevelMeter::kBarWidth, LevelMeter::kBarHeight, green);
    }
    painter.restore();
}

} // namespace vorlane
