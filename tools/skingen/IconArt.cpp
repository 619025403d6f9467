#include "IconArt.h"

#include "SkinCanvas.h"

#include <QPainter>
#include <QPainterPath>

namespace vorlane::skingen {

using namespace colours;

namespace {

// A record seen from above, filling a unit square of side s at the origin.
void drawRecord(QPainter& p, qreal s, bool muted) {
    const QPointF c(s / 2, s / 2);
    const qreal r = s * 0.47;
    p.setPen(Qt::NoPen);
    p.setBrush(muted ? QColor(0x5A, 0x61, 0x6B) : QColor(0x14, 0x17, 0x1B));
    p.drawEllipse(c, r, r);
    // Grooves only where they can be seen.
    if (s >= 24) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(muted ? QColor(0x7A, 0x82, 0x8C) : QColor(0x3C, 0x43, 0x4C),
                      qMax<qreal>(0.8, s / 96)));
        const int rings = s >= 64 ? 4 : 2;
        for (int i = 0; i < rings; ++i) {
            const qreal rr = r * (0.58 + 0.36 * (i + 0.5) / rings);
            p.drawEllipse(c, rr, rr);
        }
    }
    // A highlight arc gives the vinyl its sheen.
    p.setPen(QPen(QColor(255, 255, 255, muted ? 40 : 60), qMax<qreal>(1.0, s / 40), Qt::SolidLine,
                  Qt::RoundCap));
    p.drawArc(QRectF(c.x() - r * 0.8, c.y() - r * 0.8, r * 1.6, r * 1.6), 100 * 16, 50 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(muted ? kMuted : kAccent);
    p.drawEllipse(c, r * 0.36, r * 0.36);
    p.setBrush(muted ? QColor(0x5A, 0x61, 0x6B) : QColor(0x14, 0x17, 0x1B));
    p.drawEllipse(c, qMax<qreal>(0.8, r * 0.07), qMax<qreal>(0.8, r * 0.07));
}

// A tone arm resting on the record's edge.
void drawToneArm(QPainter& p, qreal s) {
    p.setPen(QPen(QColor(0xC9, 0xCF, 0xD6), qMax<qreal>(1.2, s / 22), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.86, s * 0.10), QPointF(s * 0.80, s * 0.52));
    p.drawLine(QPointF(s * 0.80, s * 0.52), QPointF(s * 0.64, s * 0.66));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE6, 0xE9, 0xED));
    p.drawEllipse(QPointF(s * 0.86, s * 0.10), s * 0.06, s * 0.06);
}

void drawBadge(QPainter& p, qreal s) {
    const qreal r = s * 0.22;
    const QPointF c(s - r - s * 0.02, s - r - s * 0.02);
    p.setPen(QPen(Qt::white, qMax<qreal>(1.0, s / 32)));
    p.setBrush(kRecord);
    p.drawEllipse(c, r, r);
    p.setPen(QPen(Qt::white, qMax<qreal>(1.2, s / 14), Qt::SolidLine, Qt::RoundCap));
    const qreal d = r * 0.45;
    p.drawLine(c + QPointF(-d, -d), c + QPointF(d, d));
    p.drawLine(c + QPointF(-d, d), c + QPointF(d, -d));
}

void drawClock(QPainter& p, qreal s) {
    const QPointF c(s / 2, s / 2);
    const qreal r = s * 0.46;
    p.setPen(QPen(kInk, qMax<qreal>(1.2, s / 14)));
    p.setBrush(Qt::white);
    p.drawEllipse(c, r - s / 28, r - s / 28);
    if (s >= 32) {
        p.setPen(QPen(kInk, qMax<qreal>(1.0, s / 40), Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 12; i += 3) {
            QTransform t;
            t.translate(c.x(), c.y());
            t.rotate(i * 30);
            p.drawLine(t.map(QPointF(0, -r * 0.78)), t.map(QPointF(0, -r * 0.64)));
        }
    }
    p.setPen(QPen(kAccent.darker(115), qMax<qreal>(1.5, s / 11), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(0, -r * 0.6));
    p.drawLine(c, c + QPointF(r * 0.42, r * 0.12));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(c, qMax<qreal>(1.0, s / 22), qMax<qreal>(1.0, s / 22));
}

} // namespace

QImage IconArt::draw(Kind kind, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p, kind, size);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

void IconArt::paint(QPainter& p, Kind kind, int size) {
    switch (kind) {
    case Kind::Program:
        drawRecord(p, size, false);
        if (size >= 32)
            drawToneArm(p, size);
        break;
    case Kind::DeviceIdle:
        drawRecord(p, size, false);
        break;
    case Kind::NoDevice:
        drawRecord(p, size, true);
        drawBadge(p, size);
        break;
    case Kind::Scheduler:
        drawClock(p, size);
        break;
    }
}

} // namespace vorlane::skingen
