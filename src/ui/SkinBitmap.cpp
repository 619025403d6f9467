#include "SkinBitmap.h"

#include "ui/SkinLayout.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRect>
#include <cstdint>

namespace vorlane {

namespace {

uint32_t u16(const QByteArray& b, int at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8;
}

uint32_t u32(const QByteArray& b, int at) {
    return u16(b, at) | u16(b, at + 2) << 16;
}

bool fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

// The same pixels as RGB32, so that rows can be read directly and any alpha channel of
// the file is ignored, as it is for the shape.
QImage asRgb32(const QImage& image) {
    return image.format() == QImage::Format_RGB32 ? image
                                                  : image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

bool SkinBitmap::checkHeader(const QByteArray& bytes, QString* error) {
    constexpr int kFileHeader = 14;
    if (bytes.size() < kFileHeader + 12 || bytes[0] != 'B' || bytes[1] != 'M')
        return fail(error, QStringLiteral("not a bitmap file"));
    const qint64 size = bytes.size();
    const uint32_t dataOffset = u32(bytes, 10);
    const uint32_t infoSize = u32(bytes, kFileHeader);
    int64_t width = 0, height = 0;
    uint32_t planes = 0, bpp = 0, compression = 0;
    if (infoSize == 12) { // the old core header
        width = u16(bytes, kFileHeader + 4);
        height = u16(bytes, kFileHeader + 6);
        planes = u16(bytes, kFileHeader + 8);
        bpp = u16(bytes, kFileHeader + 10);
    } else if (infoSize >= 40 && infoSize <= 124) {
        if (size < kFileHeader + 40)
            return fail(error, QStringLiteral("bitmap header is cut off"));
        width = int32_t(u32(bytes, kFileHeader + 4));
        height = int32_t(u32(bytes, kFileHeader + 8));
        planes = u16(bytes, kFileHeader + 12);
        bpp = u16(bytes, kFileHeader + 14);
        compression = u32(bytes, kFileHeader + 16);
    } else {
        return fail(error, QStringLiteral("unknown bitmap header size %1").arg(infoSize));
    }
    if (height < 0)
        height = -height; // stored top-down
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return fail(error,
                    QStringLiteral("bitmap size %1 x %2 is out of range").arg(width).arg(height));
    if (planes != 1)
        return fail(error, QStringLiteral("bitmap has %1 planes").arg(planes));
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return fail(error, QStringLiteral("bitmap has %1 bits per pixel").arg(bpp));
    const bool rle = (compression == 1 && bpp == 8) || (compression == 2 && bpp == 4);
    const bool bitfields = compression == 3 && (bpp == 16 || bpp == 32);
    if (compression != 0 && !rle && !bitfields)
        return fail(error,
                    QStringLiteral("bitmap compression %1 is not supported").arg(compression));
    if (dataOffset < kFileHeader + infoSize || dataOffset >= size)
        return fail(error, QStringLiteral("bitmap pixel data offset is outside the file"));
    if (!rle) {
        const int64_t stride = (width * bpp + 31) / 32 * 4;
        if (int64_t(dataOffset) + stride * height > size)
            return fail(error, QStringLiteral("bitmap is truncated (%1 of %2 bytes)")
                                   .arg(size)
                                   .arg(int64_t(dataOffset) + stride * height));
    }
    return true;
}

QImage SkinBitmap::fromBytes(const QByteArray& bytes, QString* error) {
    if (!checkHeader(bytes, error))
        return {};
    QImage image = QImage::fromData(bytes, "BMP");
    if (image.isNull()) {
        fail(error, QStringLiteral("bitmap could not be decoded"));
        return {};
    }
    return asRgb32(image);
}

QImage SkinBitmap::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return {};
    }
    // A sound skin file is far smaller; refuse before reading a huge file into memory.
    constexpr qint64 kMaxBytes = qint64(kMaxSide) * kMaxSide * 4 + 4096;
    if (file.size() > kMaxBytes) {
        fail(error, QStringLiteral("%1: file is too large for a bitmap").arg(path));
        return {};
    }
    QString why;
    QImage image = fromBytes(file.readAll(), &why);
    if (image.isNull())
        fail(error, QStringLiteral("%1: %2").arg(path, why));
    return image;
}

QRegion SkinBitmap::opaqueRegion(const QImage& source, QRgb key) {
    if (source.isNull())
        return {};
    const QImage image = asRgb32(source);
    key &= 0xFFFFFF;
    // Rows with the same runs as the row above extend its rectangles downwards, so that
    // the region is in canonical form and a plain rectangle stays one rectangle.
    QList<QRect> rects;
    qsizetype bandStart = 0; // first rectangle of the band that the previous row belongs to
    QList<QPair<int, int>> previous, runs;
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        runs.clear();
        int x = 0;
        while (x < width) {
            while (x < width && (row[x] & 0xFFFFFF) == key)
                ++x;
            const int start = x;
            while (x < width && (row[x] & 0xFFFFFF) != key)
                ++x;
            if (x > start)
                runs.append({start, x});
        }
        if (!runs.isEmpty() && runs == previous && rects.size() > bandStart &&
            rects.last().bottom() == y - 1) {
            for (qsizetype i = bandStart; i < rects.size(); ++i)
                rects[i].setBottom(y);
            continue;
        }
        bandStart = rects.size();
        for (const auto& [from, to] : runs)
            rects.append(QRect(from, y, to - from, 1));
        previous = runs;
    }
    QRegion region;
    if (!rects.isEmpty())
        region.setRects(rects.constData(), int(rects.size()));
    return region;
}

QImage SkinBitmap::withKeyTransparent(const QImage& source, QRgb key) {
    QImage image = asRgb32(source).convertToFormat(QImage::Format_ARGB32);
    key &= 0xFFFFFF;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((row[x] & 0xFFFFFF) == key)
                row[x] = 0;
    }
    return image;
}

QImage SkinBitmap::loadDoubleSize(const QString& path, const QImage& base) {
    if (base.isNull())
        return {};
    QFileInfo info(path);
    const QString twin =
        info.path() + QLatin1Char('/') + info.completeBaseName() +
        QLatin1String(skin::kDoubleSizeSuffix.data(), qsizetype(skin::kDoubleSizeSuffix.size())) +
        QLatin1Char('.') + info.suffix();
    if (!QFileInfo::exists(twin))
        return {};
    QImage image = load(twin);
    if (image.isNull() || image.size() != base.size() * 2)
        return {};
    return image;
}

} // namespace vorlane
