#pragma once

#include <QFont>
#include <QString>

class QPainter;

namespace vorlane {

// The fonts of the skinned windows. Tahoma is asked for first; where it is missing the
// closest sans-serif face of the system stands in at the same pixel size.
class SkinFont {
public:
    // Captions of bitmap buttons and the dialog font: 13 pixels, normal weight.
    static QFont caption();
    // Titles that the tool dialogs paint on their header: 18 pixels, heaviest weight.
    static QFont title();
    // The font of the dialog templates, 8-point Tahoma: 11 pixels at 96 dpi. The panel's
    // labels and fields use it, since its layout is measured in its dialog units.
    static QFont templateFont();
    static QFont tahoma(int pixelSize, QFont::Weight weight);

    // Paints a tool dialog's title in the title rectangle of its header, in the title colour.
    static void drawDialogTitle(QPainter& painter, const QString& text);
};

} // namespace vorlane
