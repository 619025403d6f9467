// The skin bitmap reader and the window shape built from a bitmap's key colour.
#include "ui/SkinBitmap.h"

#include <QByteArray>
#include <QImage>
#include <QRegion>
#include <cstddef>
#include <cstdint>

using namespace vorlane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QImage image = SkinBitmap::fromBytes(bytes);
    if (image.isNull())
        return 0;
    const QRgb key = qRgb(255, 0, 255);
    const QRegion shape = SkinBitmap::opaqueRegion(image, key);
    // The shape never reaches outside the bitmap.
    if (!shape.isEmpty() && !image.rect().contains(shape.boundingRect()))
        __builtin_trap();
    SkinBitmap::withKeyTransparent(image, key);
    return 0;
}
