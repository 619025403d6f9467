#include "SkinFont.h"

#include "ui/SkinLayout.h"

#include <QColor>
#include <QPainter>
#include <QRect>
#include <QStringList>

namespace vorlane {

QFont SkinFont::tahoma(int pixelSize, QFont::Weight weight) {
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Verdana"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

QFont SkinFont::caption() {
    return tahoma(13, QFont::Normal);
}

QFont SkinFont::templateFont() {
    return tahoma(11, QFont::Normal);
}

QFont SkinFont::title() {
    return tahoma(18, QFont::Black);
}

void SkinFont::drawDialogTitle(QPainter& painter, const QString& text) {
    const skin::Rect r = skin::kTitleRect;
    painter.save();
    painter.setFont(title());
    painter.setPen(QColor::fromRgb(skin::kTitleColour));
    painter.drawText(QRect(r.x, r.y, r.width, r.height),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter.restore();
}

} // namespace vorlane
