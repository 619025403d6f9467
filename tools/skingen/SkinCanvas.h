#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QString>

namespace vorlane::skingen {

// The colours of the default skin.
namespace colours {
inline const QColor kHeader{0x26, 0x2B, 0x33};
inline const QColor kHeaderLine{0x57, 0xAD, 0x3D}; // the title colour, as an accent
inline const QColor kBody{0xEC, 0xEF, 0xF3};
inline const QColor kCard{0xFF, 0xFF, 0xFF};
inline const QColor kCardBorder{0xD3, 0xD8, 0xDF};
inline const QColor kDivider{0xE4, 0xE8, 0xED};
inline const QColor kFrame{0x1B, 0x1F, 0x24};
inline const QColor kWell{0x10, 0x13, 0x17};
inline const QColor kWellBorder{0x3A, 0x40, 0x48};
inline const QColor kInk{0x2E, 0x34, 0x3C};
inline const QColor kAccent{0x57, 0xAD, 0x3D};
inline const QColor kRecord{0xE0, 0x44, 0x3E};
inline const QColor kMuted{0xB9, 0xBF, 0xC7};
} // namespace colours

// Drawing surfaces for skin art. Art is drawn antialiased on a transparent canvas at some
// scale (1 for the normal files, 2 for the "@2x" files), in the coordinates of scale 1, and
// then flattened: a pixel that the art covers at least half takes the art's colour over the
// colour of the surface that the control sits on; every other pixel takes the key colour.
// So no blended pinkish fringe can appear around a shape.
class SkinCanvas {
public:
    static QImage create(int width, int height, int scale);
    // A painter on the canvas with antialiasing and the scale applied.
    static void begin(QPainter& painter, QImage& canvas, int scale);
    static QImage flatten(const QImage& canvas, const QColor& surface);
    // Makes the pixels of `large` that lie under an opaque pixel of `small` (one half its
    // size) opaque as well, taking `fill`; the larger drawing then covers the whole shape
    // that is built from the smaller.
    static void coverShape(QImage& large, const QImage& small, const QColor& fill);

    // A 24-bit Windows bitmap.
    static bool writeBmp(const QImage& image, const QString& path);
    // A Windows icon with one 32-bit entry per image (PNG-compressed from 256 pixels on).
    static bool writeIco(const QList<QImage>& images, const QString& path);
    static QByteArray icoBytes(const QList<QImage>& images);
};

} // namespace vorlane::skingen
