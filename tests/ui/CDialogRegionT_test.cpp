#include "SettingsTestSupport.h"
#include "SkinTestFiles.h"
#include "ui/CDialogFont.h"
#include "ui/CDialogRegionT.h"
#include "ui/SkinBitmap.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>

using namespace vorlane;
using namespace vorlane::test;

namespace {

QImage solid(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Presses at `from` on `pressed` (the window itself unless given), moves the pointer by
// `by` and releases over the window.
void drag(QWidget* w, QPoint from, QPoint by, QWidget* pressed = nullptr) {
    pressed = pressed ? pressed : w;
    const QPoint start = pressed->mapToGlobal(from);
    mouse(pressed, QEvent::MouseButtonPress, from);
    // The window moves under the pointer: each point is placed on the screen.
    for (QPoint to : {start + by / 2, start + by})
        mouse(w, QEvent::MouseMove, w->mapFromGlobal(to));
    mouse(w, QEvent::MouseButtonRelease, w->mapFromGlobal(start + by));
}

class FontDialog : public QDialog, public CDialogFont<FontDialog> {};

} // namespace

TEST(CDialogRegionT, BitmapGivesTheWindowItsSizeAndShapeCentredOnTheScreen) {
    QTemporaryDir dir;
    SkinTestDialog dialog;
    dialog.resize(300, 200);
    ASSERT_FALSE(dialog.isSkinned());
    ASSERT_TRUE(dialog.applySkin(writeBmp(dir.path(), "bk.bmp", solid(121, 81, 0xFF336699))));
    EXPECT_TRUE(dialog.isSkinned());
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.windowFlags() & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_EQ(dialog.size(), QSize(121, 81));
    EXPECT_EQ(dialog.mask(), QRegion(0, 0, 121, 81));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // Each half is taken separately, as integers.
    EXPECT_EQ(dialog.pos(), QPoint(screen.x() + screen.width() / 2 - 121 / 2,
                                   screen.y() + screen.height() / 2 - 81 / 2));

    // Key pixels shape the window.
    const QImage bk = imageFromRows({"KWWWWK", "WWWWWW", "KKKKKK", "aWWWWb", "KWWWWc"});
    ASSERT_TRUE(dialog.applySkin(writeBmp(dir.path(), "bk.bmp", bk)));
    EXPECT_EQ(dialog.mask(), SkinBitmap::opaqueRegion(bk, 0xFF00FF));
    EXPECT_EQ(dialog.size(), QSize(6, 5));
}

TEST(CDialogRegionT, MissingOrDamagedSkinLeavesTheWindowAsItWasAndUsable) {
    QTemporaryDir dir;
    QByteArray truncated = bmpBytes(solid(40, 30, 0xFF808080));
    truncated.chop(100);
    const QString files[] = {
        dir.path() + "/missing.bmp",
        writeBytes(dir.path(), "truncated.bmp", truncated),
        writeBmp(dir.path(), "allkey.bmp", solid(20, 20, kKey)),
    };
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        SkinTestDialog dialog;
        dialog.setWindowTitle("Task");
        dialog.resize(250, 150);
        auto* button = new QPushButton("OK", &dialog);
        button->setGeometry(10, 10, 80, 24);
        int clicks = 0;
        QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
        const Qt::WindowFlags flags = dialog.windowFlags();

        EXPECT_FALSE(dialog.applySkin(file));
        EXPECT_FALSE(dialog.isSkinned());
        EXPECT_FALSE(dialog.dialogSkin()->lastError().isEmpty());
        EXPECT_EQ(dialog.windowFlags(), flags);
        EXPECT_TRUE(dialog.mask().isEmpty());
        EXPECT_EQ(dialog.size(), QSize(250, 150));

        dialog.show();
        drag(button, {5, 5}, {0, 0});
        EXPECT_EQ(clicks, 1);
        // No background is painted for a window without skin.
        const QImage shot = dialog.grab().toImage();
        EXPECT_EQ(shot.pixelColor(200, 100), dialog.palette().color(QPalette::Window));
    }
}

TEST(CDialogRegionT, PaintsTheBitmapUnderTheDialogsOwnPaintingAndStaticTexts) {
    QTemporaryDir dir;
    const QImage bk = solid(80, 60, 0xFF20A040);
    SkinTestDialog dialog;
    auto* label = new QLabel(&dialog);
    label->setAutoFillBackground(true); // as a template's static would be
    label->setGeometry(10, 10, 30, 20);
    dialog.paintOver = [](QPainter& p) { p.fillRect(QRect(50, 5, 10, 10), Qt::blue); };
    ASSERT_TRUE(dialog.applySkin(writeBmp(dir.path(), "bk.bmp", bk)));
    auto* later = new QLabel(&dialog); // a static created after the skin
    later->setAutoFillBackground(true);
    later->setGeometry(10, 35, 30, 20);
    dialog.show();

    // A grab holds device pixels: twice as many as the window's on a 200 % screen.
    auto at = [](const QImage& shot, int x, int y) {
        const qreal dpr = shot.devicePixelRatio();
        return shot.pixel(qRound(x * dpr), qRound(y * dpr)) | 0xFF000000u;
    };
    const QImage shot = dialog.grab().toImage();
    EXPECT_EQ(at(shot, 55, 10), QColor(Qt::blue).rgb()) << "title over skin";
    EXPECT_EQ(at(shot, 20, 20), 0xFF20A040u) << "static shows the skin";
    EXPECT_EQ(at(shot, 20, 45), 0xFF20A040u) << "later static too";

    // Applying again replaces the background.
    ASSERT_TRUE(dialog.applySkin(writeBmp(dir.path(), "b.bmp", solid(90, 70, 0xFF2040C0))));
    EXPECT_EQ(at(dialog.grab().toImage(), 85, 65), 0xFF2040C0u);
}

TEST(CDialogRegionT, KeyPixelsArePaintedTransparentTheOthersOpaqueAndUnchanged) {
    // A compositor that ignores the mask (Wayland) shows the painted surface as it is: the
    // rounded corners must be clear there too, and everything else exactly the skin.
    QTemporaryDir dir;
    const QImage bk =
        imageFromRows({"KKWWWWKK", "KWabcdWK", "WWWWWWWW", "aKbWWcKd", "KWWWWWWK", "KKWWWWKK"});
    SkinTestDialog dialog;
    ASSERT_TRUE(dialog.applySkin(writeBmp(dir.path(), "bk.bmp", bk)));
    EXPECT_TRUE(dialog.testAttribute(Qt::WA_TranslucentBackground));
    dialog.show();
    const QImage shot = dialog.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(shot.size(), bk.size());
    for (int y = 0; y < bk.height(); ++y)
        for (int x = 0; x < bk.width(); ++x) {
            SCOPED_TRACE(testing::Message() << x << "," << y);
            if (bk.pixel(x, y) == kKey)
                EXPECT_EQ(qAlpha(shot.pixel(x, y)), 0);
            else
                EXPECT_EQ(shot.pixel(x, y), bk.pixel(x, y) | 0xFF000000u);
        }

    // A window whose skin failed keeps its opaque look.
    SkinTestDialog plain;
    EXPECT_FALSE(plain.applySkin(dir.path() + "/missing.bmp"));
    EXPECT_FALSE(plain.testAttribute(Qt::WA_TranslucentBackground));
}

TEST(CDialogRegionT, DraggedByAnyPointUnlessExcludedOrNotMovable) {
    QTemporaryDir dir;
    const QString file = writeBmp(dir.path(), "bk.bmp", solid(200, 150, 0xFF808080));
    {
        SkinTestDialog dialog;
        ASSERT_TRUE(dialog.applySkin(file));
        dialog.show();
        const QPoint before = dialog.pos();
        drag(&dialog, {100, 100}, {30, -20});
        EXPECT_EQ(dialog.pos(), before + QPoint(30, -20));
        // A static text passes the press on to the window, so it drags as well.
        auto* label = new QLabel("Title", &dialog);
        label->setGeometry(10, 10, 60, 20);
        label->show();
        drag(&dialog, {5, 5}, {7, 9}, label);
        EXPECT_EQ(dialog.pos(), before + QPoint(37, -11));

        // A window may keep some points for its own controls.
        dialog.dialogSkin()->setDragArea([](const QPoint& p) { return p.y() < 100; });
        const QPoint now = dialog.pos();
        drag(&dialog, {50, 120}, {10, 10});
        EXPECT_EQ(dialog.pos(), now);
        drag(&dialog, {50, 20}, {10, 10});
        EXPECT_EQ(dialog.pos(), now + QPoint(10, 10));
    }
    {
        SkinTestDialog dialog;
        ASSERT_TRUE(dialog.applySkin(file, false));
        dialog.show();
        const QPoint before = dialog.pos();
        drag(&dialog, {100, 100}, {30, 30});
        EXPECT_EQ(dialog.pos(), before);
    }
}

TEST(CDialogFont, SetsThirteenPixelTahomaOnTheDialogAndEveryChild) {
    FontDialog dialog;
    auto* label = new QLabel("x", &dialog);
    auto* button = new QPushButton("y", &dialog);
    button->setFont(QFont("Courier", 20)); // a font of its own is replaced too
    dialog.applyFonts();
    for (QWidget* w : {static_cast<QWidget*>(&dialog), static_cast<QWidget*>(label),
                       static_cast<QWidget*>(button)}) {
        EXPECT_EQ(w->font().pixelSize(), 13);
        EXPECT_EQ(w->font().families().value(0), "Tahoma");
        EXPECT_EQ(w->font().weight(), QFont::Normal);
    }
}
