#include "ButtonArt.h"

#include "SkinCanvas.h"

#include <QPainterPath>
#include <QtMath>
#include <functional>
#include <string_view>

namespace vorlane::skingen {

using namespace colours;
using Look = ButtonArt::Look;

namespace {

// Draws the symbol of a button into box in the given ink; variant picks an alternative
// symbol (the pause look of the play button).
using Glyph = std::function<void(QPainter&, const QRectF& box, const QColor& ink, int variant)>;

void glyphNone(QPainter&, const QRectF&, const QColor&, int) {}

void glyphDot(QPainter& p, const QRectF& b, const QColor& ink, int) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(b.center(), 6.5, 6.5);
}

void glyphSquare(QPainter& p, const QRectF& b, const QColor& ink, int) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRoundedRect(QRectF(b.center().x() - 5.5, b.center().y() - 5.5, 11, 11), 2, 2);
}

void glyphPause(QPainter& p, const QRectF& b, const QColor& ink, int) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const QPointF c = b.center();
    p.drawRoundedRect(QRectF(c.x() - 5.5, c.y() - 6.5, 4, 13), 1, 1);
    p.drawRoundedRect(QRectF(c.x() + 1.5, c.y() - 6.5, 4, 13), 1, 1);
}

// Two pieces of a track with a cut between them.
void glyphDivide(QPainter& p, const QRectF& b, const QColor& ink, int) {
    const QPointF c = b.center();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRoundedRect(QRectF(c.x() - 12, c.y() - 4, 8, 8), 1.5, 1.5);
    p.drawRoundedRect(QRectF(c.x() + 4, c.y() - 4, 8, 8), 1.5, 1.5);
    p.setPen(QPen(ink == kMuted ? kMuted : kRecord, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x(), c.y() - 8), QPointF(c.x(), c.y() + 8));
}

void glyphPlay(QPainter& p, const QRectF& b, const QColor& ink, int variant) {
    if (variant == 1) {
        glyphPause(p, b, ink, 0);
        return;
    }
    const QPointF c = b.center();
    QPainterPath tri;
    tri.moveTo(c.x() - 4.5, c.y() - 7);
    tri.lineTo(c.x() + 7, c.y());
    tri.lineTo(c.x() - 4.5, c.y() + 7);
    tri.closeSubpath();
    p.fillPath(tri, ink);
}

// Two arrows and a bar, 14 pixels wide in all, centred.
void skipGlyph(QPainter& p, const QRectF& b, const QColor& ink, bool forward) {
    const QPointF c = b.center();
    const qreal dir = forward ? 1 : -1;
    for (int i = 0; i < 2; ++i) {
        const qreal base = c.x() - dir * (7 - 6 * i);
        QPainterPath tri;
        tri.moveTo(base, c.y() - 6);
        tri.lineTo(base + dir * 6, c.y());
        tri.lineTo(base, c.y() + 6);
        tri.closeSubpath();
        p.fillPath(tri, ink);
    }
    p.fillRect(QRectF(forward ? c.x() + 5 : c.x() - 7, c.y() - 6, 2, 12), ink);
}

void glyphPrevious(QPainter& p, const QRectF& b, const QColor& ink, int) {
    skipGlyph(p, b, ink, false);
}

void glyphNext(QPainter& p, const QRectF& b, const QColor& ink, int) {
    skipGlyph(p, b, ink, true);
}

// A calendar page with a clock hand: scheduled recordings.
void glyphTask(QPainter& p, const QRectF& b, const QColor& ink, int) {
    const QPointF c = b.center();
    p.setPen(QPen(ink, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(c.x() - 8, c.y() - 7, 16, 15), 2, 2);
    p.fillRect(QRectF(c.x() - 8, c.y() - 7, 16, 4), ink);
    p.drawLine(QPointF(c.x(), c.y() + 4), QPointF(c.x(), c.y() - 0.5));
    p.drawLine(QPointF(c.x(), c.y() + 4), QPointF(c.x() + 3.5, c.y() + 4));
}

// A note: the recordings browser.
void glyphMusic(QPainter& p, const QRectF& b, const QColor& ink, int) {
    const QPointF c = b.center();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(c.x() - 4, c.y() + 5), 3.6, 2.8);
    p.drawEllipse(QPointF(c.x() + 5, c.y() + 3), 3.6, 2.8);
    p.setPen(QPen(ink, 1.8));
    p.drawLine(QPointF(c.x() - 0.8, c.y() + 5), QPointF(c.x() - 0.8, c.y() - 7));
    p.drawLine(QPointF(c.x() + 8.2, c.y() + 3), QPointF(c.x() + 8.2, c.y() - 9));
    p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(c.x() - 0.8, c.y() - 6), QPointF(c.x() + 8.2, c.y() - 8));
}

// A gear: the settings.
void glyphGear(QPainter& p, const QRectF& b, const QColor& ink, int) {
    const QPointF c = b.center();
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const qreal angle = M_PI * i / teeth;
        const qreal r = (i % 2 == 0) ? 8.5 : 6.3;
        for (qreal d : {-0.17, 0.17}) {
            const QPointF pt(c.x() + r * qCos(angle + d), c.y() + r * qSin(angle + d));
            if (gear.elementCount() == 0)
                gear.moveTo(pt);
            else
                gear.lineTo(pt);
        }
    }
    gear.closeSubpath();
    gear.addEllipse(c, 2.8, 2.8);
    gear.setFillRule(Qt::OddEvenFill);
    p.fillPath(gear, ink);
}

// An arrow into a tray: save a copy.
void glyphSave(QPainter& p, const QRectF& b, const QColor& ink, int) {
    const QPointF c = b.center();
    p.setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(c.x(), c.y() - 8), QPointF(c.x(), c.y() + 2));
    p.drawPolyline(QPolygonF(
        {QPointF(c.x() - 4, c.y() - 2), QPointF(c.x(), c.y() + 2), QPointF(c.x() + 4, c.y() - 2)}));
    p.drawPolyline(QPolygonF({QPointF(c.x() - 8, c.y() + 2), QPointF(c.x() - 8, c.y() + 7),
                              QPointF(c.x() + 8, c.y() + 7), QPointF(c.x() + 8, c.y() + 2)}));
}

// A bin: delete.
void glyphDelete(QPainter& p, const QRectF& b, const QColor& ink, int) {
    const QPointF c = b.center();
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(c.x() - 7, c.y() - 5), QPointF(c.x() + 7, c.y() - 5));
    p.drawLine(QPointF(c.x() - 2.5, c.y() - 7.5), QPointF(c.x() + 2.5, c.y() - 7.5));
    p.drawPolyline(QPolygonF({QPointF(c.x() - 5.5, c.y() - 5), QPointF(c.x() - 4.5, c.y() + 8),
                              QPointF(c.x() + 4.5, c.y() + 8), QPointF(c.x() + 5.5, c.y() - 5)}));
    p.drawLine(QPointF(c.x() - 1.5, c.y() - 2), QPointF(c.x() - 1.5, c.y() + 5));
    p.drawLine(QPointF(c.x() + 1.5, c.y() - 2), QPointF(c.x() + 1.5, c.y() + 5));
}

void glyphCross(QPainter& p, const QRectF& b, const QColor& ink, int) {
    const QPointF c = b.center();
    p.setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-3.5, -3.5), c + QPointF(3.5, 3.5));
    p.drawLine(c + QPointF(-3.5, 3.5), c + QPointF(3.5, -3.5));
}

void glyphMinus(QPainter& p, const QRectF& b, const QColor& ink, int) {
    const QPointF c = b.center();
    p.setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-4, 0), c + QPointF(4, 0));
}

// A white pill with a thin border, tinted by the look; the caption or glyph goes on top.
void drawPill(QPainter& p, const QRectF& r, Look look, qreal radius) {
    QColor fill = kCard, border(0xC5, 0xCB, 0xD3);
    switch (look) {
    case Look::Normal:
        break;
    case Look::Pushed:
        fill = QColor(0xDD, 0xE2, 0xE8);
        border = QColor(0x9A, 0xA3, 0xAE);
        break;
    case Look::Hover:
        fill = QColor(0xEE, 0xF6, 0xEA);
        border = kAccent;
        break;
    case Look::Disabled:
        fill = QColor(0xF3, 0xF4, 0xF6);
        border = QColor(0xDD, 0xE1, 0xE6);
        break;
    }
    QLinearGradient shade(r.topLeft(), r.bottomLeft());
    shade.setColorAt(0, fill);
    shade.setColorAt(1, look == Look::Pushed ? fill : fill.darker(104));
    p.setPen(QPen(border, 1));
    p.setBrush(shade);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

// A round button on the dark header band.
void drawRound(QPainter& p, const QRectF& r, Look look, bool danger) {
    QColor fill(0x3A, 0x41, 0x4B);
    if (look == Look::Hover)
        fill = danger ? QColor(0xE5, 0x48, 0x4D) : QColor(0x4E, 0x57, 0x63);
    else if (look == Look::Pushed)
        fill = danger ? QColor(0xB8, 0x38, 0x3C) : QColor(0x2E, 0x34, 0x3C);
    else if (look == Look::Disabled)
        fill = QColor(0x30, 0x36, 0x3E);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(r.center(), 9, 9);
}

void drawThumb(QPainter& p, const QRectF& r, Look look) {
    QColor fill = kAccent;
    if (look == Look::Pushed)
        fill = kAccent.darker(125);
    else if (look == Look::Hover)
        fill = kAccent.lighter(115);
    else if (look == Look::Disabled)
        fill = kMuted;
    p.setPen(QPen(fill.darker(130), 1));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3.5, 3.5);
    p.setPen(QPen(QColor(255, 255, 255, 150), 1));
    p.drawLine(QPointF(r.center().x(), r.top() + 4), QPointF(r.center().x(), r.bottom() - 4));
}

enum class Family { Pill, Round, Thumb };

struct Design {
    Family family;
    Glyph glyph;
    QColor ink;
    bool danger = false;
};

Design designFor(std::string_view file) {
    if (file == skin::kCloseStrip.file)
        return {Family::Round, glyphCross, QColor(0xE6, 0xE9, 0xED), true};
    if (file == skin::kMinimizeStrip.file)
        return {Family::Round, glyphMinus, QColor(0xE6, 0xE9, 0xED)};
    if (file == skin::kSliderThumbStrip.file)
        return {Family::Thumb, glyphNone, kInk};
    if (file == skin::kRecordStartStrip.file)
        return {Family::Pill, glyphDot, kRecord};
    if (file == skin::kRecordStopStrip.file || file == skin::kStopStrip.file)
        return {Family::Pill, glyphSquare, kInk};
    if (file == skin::kRecordDivideStrip.file)
        return {Family::Pill, glyphDivide, kInk};
    if (file == skin::kRecordPauseStrip.file)
        return {Family::Pill, glyphPause, kInk};
    if (file == skin::kTaskStrip.file)
        return {Family::Pill, glyphTask, kInk};
    if (file == skin::kMusicStrip.file)
        return {Family::Pill, glyphMusic, kInk};
    if (file == skin::kSettingStrip.file)
        return {Family::Pill, glyphGear, kInk};
    if (file == skin::kPlayStrip.file)
        return {Family::Pill, glyphPlay, kAccent.darker(110)};
    if (file == skin::kPreviousStrip.file)
        return {Family::Pill, glyphPrevious, kInk};
    if (file == skin::kNextStrip.file)
        return {Family::Pill, glyphNext, kInk};
    if (file == skin::kSaveAsStrip.file)
        return {Family::Pill, glyphSave, kInk};
    if (file == skin::kDeleteStrip.file)
        return {Family::Pill, glyphDelete, kInk};
    return {Family::Pill, glyphNone, kInk}; // caption buttons: the window draws the text
}

} // namespace

QImage ButtonArt::strip(const skin::Strip& strip, int scale) {
    const Design design = designFor(strip.file);
    QImage canvas = SkinCanvas::create(strip.imageWidth * strip.images, strip.height, scale);
    QPainter p;
    SkinCanvas::begin(p, canvas, scale);
    for (int i = 0; i < strip.images; ++i) {
        const Look look = static_cast<Look>(i % 4);
        const int variant = i / 4;
        const QRectF box(i * strip.imageWidth, 0, strip.imageWidth, strip.height);
        QColor ink = look == Look::Disabled ? kMuted : design.ink;
        if (design.family == Family::Round && look == Look::Disabled)
            ink = QColor(0x6B, 0x73, 0x7E);
        QRectF glyphBox = box;
        switch (design.family) {
        case Family::Pill:
            drawPill(p, box, look, skin::PillRadius(strip.height));
            if (look == Look::Pushed)
                glyphBox.translate(0, 1); // the symbol sinks with the button
            break;
        case Family::Round:
            drawRound(p, box, look, design.danger);
            break;
        case Family::Thumb:
            drawThumb(p, box, look);
            break;
        }
        design.glyph(p, glyphBox, ink, variant);
    }
    p.end();
    const QColor surface = design.family == Family::Round ? kHeader : kCard;
    return SkinCanvas::flatten(canvas, surface);
}

} // namespace vorlane::skingen
