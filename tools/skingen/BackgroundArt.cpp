#include "BackgroundArt.h"

#include "SkinCanvas.h"
#include "ui/PanelLayout.h"

#include <QFont>
#include <QPainterPath>

namespace vorlane::skingen {

using namespace colours;

namespace {

QRectF toRectF(const skin::Rect& r) {
    return QRectF(r.x, r.y, r.width, r.height);
}

// The window body: rounded outline, light body, dark header band with an accent line.
void drawFrame(QPainter& p, int width, int height, int header) {
    const qreal radius = skin::kCornerRadius;
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0, 0, width, height), radius, radius);
    p.fillPath(outline, kFrame);
    QPainterPath inner;
    inner.addRoundedRect(QRectF(1, 1, width - 2, height - 2), radius - 1, radius - 1);
    p.fillPath(inner, kBody);
    p.save();
    p.setClipPath(inner);
    p.fillRect(QRectF(0, 0, width, header), kHeader);
    p.fillRect(QRectF(0, header - 2, width, 2), kHeaderLine);
    p.restore();
}

void drawCard(QPainter& p, const QRectF& r, const QColor& fill = kCard) {
    p.setPen(QPen(kCardBorder, 1));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

// A dark inset around a strip that the panel draws black.
void drawWell(QPainter& p, const skin::Rect& strip) {
    const int m = panel::kWellMargin;
    const QRectF r(strip.x - m, strip.y - m, strip.width + 2 * m, strip.height + 2 * m);
    p.setPen(QPen(kWellBorder, 1));
    p.setBrush(kWell);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    p.fillRect(toRectF(strip), Qt::black);
}

// A small record: the product's mark at the left of the panel's header.
void drawDisc(QPainter& p, QPointF centre, qreal radius) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0E, 0x10, 0x13));
    p.drawEllipse(centre, radius, radius);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x4A, 0x52, 0x5C), 0.8));
    for (qreal r = radius * 0.55; r < radius - 1; r += radius * 0.18)
        p.drawEllipse(centre, r, r);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawEllipse(centre, radius * 0.36, radius * 0.36);
    p.setBrush(kHeader);
    p.drawEllipse(centre, radius * 0.08, radius * 0.08);
}

void drawWordmark(QPainter& p, QPointF baseline) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(14);
    font.setWeight(QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    QPainterPath text;
    text.addText(baseline, font, QStringLiteral("VORLANE"));
    p.fillPath(text, QColor(0xE6, 0xE9, 0xED));
}

} // namespace

QImage BackgroundArt::panel(int scale) {
    const skin::Background& bg = panel::kBackground;
    QImage canvas = SkinCanvas::create(bg.width, bg.height, scale);
    QPainter p;
    SkinCanvas::begin(p, canvas, scale);
    drawFrame(p, bg.width, bg.height, bg.headerHeight);
    drawDisc(p, QPointF(18, 15), 9);
    drawWordmark(p, QPointF(34, 20));

    // Meter card: the template's meter frame, with wells for the waveform strips and meters.
    const skin::Rect meter = panel::kMeterGroup;
    drawCard(p, QRectF(meter.x, meter.y + 2, meter.width, meter.height - 2));
    drawWell(p, panel::kWaveLeft);
    drawWell(p, panel::kWaveRight);
    drawWell(p, panel::kMeterLeft);
    drawWell(p, panel::kMeterRight);

    // The button, number and tag frames of the template form one card with dividers; the
    // file name and the recording time sit on the body between it and the meters.
    const skin::Rect top = panel::kButtonGroup;
    const skin::Rect bottom = panel::kTagGroup;
    drawCard(p, QRectF(top.x, top.y + 2, top.width, bottom.bottom() - top.y - 2));
    p.setPen(QPen(kDivider, 1));
    for (const skin::Rect& group : {panel::kNumberGroup, panel::kTagGroup})
        p.drawLine(QPointF(group.x + 10, group.y + 0.5),
                   QPointF(group.right() - 10, group.y + 0.5));
    // A faint accent under the record buttons marks the transport.
    const skin::Rect start = panel::FindControl(panel::kRecordStart)->rect;
    const skin::Rect pause = panel::FindControl(panel::kRecordPause)->rect;
    p.fillRect(QRectF(start.x, top.bottom() - 4, pause.x + 50 - start.x, 2),
               QColor(0x57, 0xAD, 0x3D, 90));
    p.end();
    return SkinCanvas::flatten(canvas, kFrame);
}

QImage BackgroundArt::toolDialog(const skin::Background& bg, int scale) {
    QImage canvas = SkinCanvas::create(bg.width, bg.height, scale);
    QPainter p;
    SkinCanvas::begin(p, canvas, scale);
    drawFrame(p, bg.width, bg.height, bg.headerHeight);
    drawCard(p, toRectF(skin::ContentCard(bg)));
    p.end();
    return SkinCanvas::flatten(canvas, kFrame);
}

QImage BackgroundArt::sliderBar(const skin::browser::Bar& bar, int scale) {
    QImage canvas = SkinCanvas::create(bar.width, bar.height, scale);
    QPainter p;
    SkinCanvas::begin(p, canvas, scale);
    p.fillRect(QRectF(0, 0, bar.width, bar.height), kCard); // drawn over the content card
    p.setPen(Qt::NoPen);
    const qreal mid = bar.height / 2.0;
    if (bar.width > 100) { // position: an even groove under the thumb's whole travel
        p.setBrush(QColor(0xC9, 0xCF, 0xD6));
        p.drawRoundedRect(QRectF(3, mid - 2, bar.width - 6, 4), 2, 2);
    } else { // volume: a wedge that grows towards loud
        QPainterPath wedge;
        wedge.moveTo(5, mid + 2.5);
        wedge.lineTo(bar.width - 5, mid + 2.5);
        wedge.lineTo(bar.width - 5, mid - 3.5);
        wedge.closeSubpath();
        p.fillPath(wedge, QColor(0xC9, 0xCF, 0xD6));
    }
    p.end();
    return SkinCanvas::flatten(canvas, kCard);
}

} // namespace vorlane::skingen
