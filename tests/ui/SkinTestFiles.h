#pragma once

#include "platform/MessageWindow.h"
#include "ui/CDialogRegionT.h"

#include <QDialog>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

namespace vorlane::test {

inline constexpr QRgb kKey = 0xFFFF00FF;

// An image from rows of characters: 'K' is the key colour, every other character a colour
// of its own (see colourOf).
QImage imageFromRows(const QStringList& rows);
QRgb colourOf(QChar c);

// Writes the image as a 24-bit .bmp with Qt's writer; returns the path.
QString writeBmp(const QString& dir, const QString& name, const QImage& image);
QString writeBytes(const QString& dir, const QString& name, const QByteArray& bytes);
QByteArray bmpBytes(const QImage& image);

// A file of the generated skin in the build's program folder.
QString programResource(const QString& relative);

// A skinned dialog that is also a message window and records what reaches it.
class SkinTestDialog : public QDialog, public MessageWindow, public CDialogRegionT<SkinTestDialog> {
public:
    explicit SkinTestDialog(QWidget* parent = nullptr);
    ~SkinTestDialog() override;

    std::vector<Message> messages;
    std::vector<QPoint> mouseMoves; // client positions of plain mouse moves that arrived
    std::function<void(QPainter&)> paintOver;

protected:
    bool processMessage(const Message& m, intptr_t& result) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

// The widget as shown on screen: its grab with the pixels outside its mask transparent.
QImage shapedGrab(QWidget* widget);

} // namespace vorlane::test
