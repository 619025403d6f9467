#include "SkinCanvas.h"

#include "ui/SkinLayout.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>

namespace vorlane::skingen {

namespace {

constexpr QRgb kKey = 0xFF000000u | skin::kKeyColour;
// An opaque pixel that happens to have the key colour would become a hole.
constexpr QRgb kNearKey = 0xFFFE00FFu;

void put16(QByteArray& out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

QByteArray dibEntry(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height();
    QByteArray out;
    put32(out, 40);
    put32(out, quint32(w));
    put32(out, quint32(h * 2)); // colour rows and mask rows
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (int y = h - 1; y >= 0; --y) { // bottom-up BGRA
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            put32(out, row[x]);
    }
    // The AND mask: set where fully transparent, for readers that ignore the alpha.
    const int maskStride = (w + 31) / 32 * 4;
    for (int y = h - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QByteArray bits(maskStride, '\0');
        for (int x = 0; x < w; ++x)
            if (qAlpha(row[x]) == 0)
                bits[x / 8] = char(bits[x / 8] | (0x80 >> (x % 8)));
        out.append(bits);
    }
    return out;
}

} // namespace

QImage SkinCanvas::create(int width, int height, int scale) {
    QImage canvas(width * scale, height * scale, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    return canvas;
}

void SkinCanvas::begin(QPainter& painter, QImage& canvas, int scale) {
    painter.begin(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
}

QImage SkinCanvas::flatten(const QImage& canvas, const QColor& surface) {
    const QImage art = canvas.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage out(art.size(), QImage::Format_RGB32);
    const int sr = surface.red(), sg = surface.green(), sb = surface.blue();
    for (int y = 0; y < art.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(art.constScanLine(y));
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < art.width(); ++x) {
            const int a = qAlpha(in[x]);
            if (a < 128) {
                row[x] = kKey;
                continue;
            }
            const int rest = 255 - a;
            QRgb px =
                qRgb(qRed(in[x]) + (sr * rest + 127) / 255, qGreen(in[x]) + (sg * rest + 127) / 255,
                     qBlue(in[x]) + (sb * rest + 127) / 255);
            row[x] = px == kKey ? kNearKey : px;
        }
    }
    return out;
}

void SkinCanvas::coverShape(QImage& large, const QImage& small, const QColor& fill) {
    if (large.size() != small.size() * 2)
        return;
    const QImage before = large;
    auto isKey = [](QRgb px) { return (px | 0xFF000000u) == kKey; };
    for (int y = 0; y < large.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(large.scanLine(y));
        for (int x = 0; x < large.width(); ++x) {
            if (!isKey(row[x]) || isKey(small.pixel(x / 2, y / 2)))
                continue;
            // Take the colour of an opaque neighbour, so the edge keeps its colour.
            QRgb px = fill.rgb();
            for (int dy = -1; dy <= 1 && px == fill.rgb(); ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx >= 0 && ny >= 0 && nx < large.width() && ny < large.height() &&
                        !isKey(before.pixel(nx, ny))) {
                        px = before.pixel(nx, ny);
                        break;
                    }
                }
            row[x] = px;
        }
    }
}

bool SkinCanvas::writeBmp(const QImage& image, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Qt writes 24 bits per pixel for an RGB32 image.
    if (!image.convertToFormat(QImage::Format_RGB32).save(&file, "BMP"))
        return false;
    return file.commit();
}

QByteArray SkinCanvas::icoBytes(const QList<QImage>& images) {
    QList<QByteArray> entries;
    for (const QImage& image : images) {
        if (image.width() >= 256) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            entries.append(png);
        } else {
            entries.append(dibEntry(image));
        }
    }
    QByteArray out;
    put16(out, 0);
    put16(out, 1); // icon
    put16(out, quint16(images.size()));
    quint32 offset = 6 + 16 * quint32(images.size());
    for (int i = 0; i < images.size(); ++i) {
        const int w = images[i].width(), h = images[i].height();
        out.append(char(w >= 256 ? 0 : w));
        out.append(char(h >= 256 ? 0 : h));
        out.append('\0'); // no palette
        out.append('\0');
        put16(out, 1);
        put16(out, 32);
        put32(out, quint32(entries[i].size()));
        put32(out, offset);
        offset += quint32(entries[i].size());
    }
    for (const QByteArray& entry : entries)
        out.append(entry);
    return out;
}

bool SkinCanvas::writeIco(const QList<QImage>& images, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(icoBytes(images));
    return file.commit();
}

} // namespace vorlane::skingen
