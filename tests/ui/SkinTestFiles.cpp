#include "SkinTestFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>

namespace vorlane::test {

QRgb colourOf(QChar c) {
    // 'a', 'b', 'c': one unit off the key in red, green and blue.
    static const QHash<QChar, QRgb> colours = {
        {'K', kKey},       {'a', 0xFFFE00FF}, {'b', 0xFFFF01FF}, {'c', 0xFFFF00FE},
        {'W', 0xFFFFFFFF}, {'B', 0xFF000000}, {'R', 0xFFD02020}, {'G', 0xFF20A040},
        {'U', 0xFF2040C0}, {'Y', 0xFFE0C020}};
    return colours.value(c, 0xFF808080);
}

QImage imageFromRows(const QStringList& rows) {
    const int h = int(rows.size());
    const int w = h ? int(rows[0].size()) : 0;
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, colourOf(rows[y][x]));
    return image;
}

QByteArray bmpBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB32).save(&buffer, "BMP");
    return bytes;
}

QString writeBytes(const QString& dir, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(dir);
    const QString path = dir + QLatin1Char('/') + name;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

QString writeBmp(const QString& dir, const QString& name, const QImage& image) {
    return writeBytes(dir, name, bmpBytes(image));
}

QString programResource(const QString& relative) {
    return QStringLiteral(VORLANE_PROGRAM_DIR "/Resource/") + relative;
}

SkinTestDialog::SkinTestDialog(QWidget* parent) : QDialog(parent) {}

SkinTestDialog::~SkinTestDialog() {
    MessageWindow::destroy();
}

bool SkinTestDialog::processMessage(const Message& m, intptr_t& result) {
    messages.push_back(m);
    result = 0;
    return true;
}

void SkinTestDialog::paintEvent(QPaintEvent*) {
    if (paintOver) {
        QPainter painter(this);
        paintOver(painter);
    }
}

void SkinTestDialog::mouseMoveEvent(QMouseEvent* event) {
    mouseMoves.push_back(event->position().toPoint());
}

QImage shapedGrab(QWidget* widget) {
    QImage image = widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRegion mask = widget->mask();
    if (mask.isEmpty())
        return image;
    const qreal ratio = image.devicePixelRatio();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!mask.contains(QPoint(int(x / ratio), int(y / ratio))))
                image.setPixel(x, y, 0);
    return image;
}

} // namespace vorlane::test
