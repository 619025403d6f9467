#pragma once

#include <QByteArray>
#include <QImage>
#include <QRegion>
#include <QString>

namespace vorlane {

// Reading skin bitmaps and turning their non-key pixels into shapes.
//
// Skin files come from the program folder and may be damaged or replaced by hand, so a
// file is checked before it is decoded: a truncated file, a header with absurd dimensions
// or an unknown pixel format is refused with an error text instead of being decoded into
// garbage or a huge allocation.
class SkinBitmap {
public:
    // Larger sides than this are not a skin.
    static constexpr int kMaxSide = 8192;

    // Loads a Windows bitmap (.bmp) file. A null image when it is missing or not sound;
    // *error then says why.
    static QImage load(const QString& path, QString* error = nullptr);
    static QImage fromBytes(const QByteArray& bytes, QString* error = nullptr);

    // The header check alone: the file is a bitmap whose pixel data lies inside it.
    static bool checkHeader(const QByteArray& bytes, QString* error = nullptr);

    // The pixels that differ from the key colour (0xRRGGBB, exact match), as a region built
    // from runs along each row. A row of key pixels adds nothing.
    static QRegion opaqueRegion(const QImage& image, QRgb key);

    // The image with every key pixel made fully transparent.
    static QImage withKeyTransparent(const QImage& image, QRgb key);

    // The "name@2x.bmp" file beside a bitmap, loaded when it exists, is sound and is exactly
    // twice the size of `base`; else a null image.
    static QImage loadDoubleSize(const QString& path, const QImage& base);
};

} // namespace vorlane
