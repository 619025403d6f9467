// The default skin as the generator draws it into the build's program folder.

#include "SkinTestFiles.h"
#include "ui/PanelLayout.h"
#include "ui/SkinBitmap.h"
#include "ui/SkinLayout.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <set>

using namespace vorlane;
using namespace vorlane::test;

namespace {

QString str(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QString skinFile(std::string_view name) {
    return programResource(QStringLiteral("Skin/") + str(name));
}

bool isKey(QRgb px) {
    return (px & 0xFFFFFF) == 0xFF00FF;
}

} // namespace

TEST(GeneratedSkin, EveryBitmapHasItsLayoutSizeAndADoubleSizeDrawingCoveringItsShape) {
    auto sized = [](const auto& b) { return std::pair(b.file, QSize(b.width, b.height)); };
    std::vector<std::pair<std::string_view, QSize>> files = {
        sized(panel::kBackground), sized(skin::kToolBackground), sized(skin::kTaskListBackground),
        sized(skin::browser::kPositionBar), sized(skin::browser::kVolumeBar)};
    for (const skin::Strip& s : skin::kStrips)
        files.emplace_back(s.file, QSize(s.imageWidth * s.images, s.height));
    for (const auto& [file, size] : files) {
        QString error;
        const QImage normal = SkinBitmap::load(skinFile(file), &error);
        ASSERT_FALSE(normal.isNull()) << error.toStdString();
        EXPECT_EQ(normal.size(), size) << file;
        const QImage large = SkinBitmap::loadDoubleSize(skinFile(file), normal);
        ASSERT_FALSE(large.isNull()) << file;
        for (int y = 0; y < large.height(); ++y)
            for (int x = 0; x < large.width(); ++x)
                if (!isKey(normal.pixel(x / 2, y / 2))) {
                    ASSERT_FALSE(isKey(large.pixel(x, y))) << file << " " << x << "," << y;
                }
    }
}

TEST(GeneratedSkin, PanelBitmapLeavesRoomForEveryControlAndFramesTheMeters) {
    const QImage bk = SkinBitmap::load(skinFile(panel::kBackground.file));
    ASSERT_FALSE(bk.isNull());
    const QRegion shape = SkinBitmap::opaqueRegion(bk, skin::kKeyColour);
    EXPECT_TRUE(isKey(bk.pixel(0, 0))) << "rounded corners";
    EXPECT_TRUE(isKey(bk.pixel(bk.width() - 1, bk.height() - 1)));
    for (const panel::Control& c : panel::kControls) {
        const QRect r(c.rect.x, c.rect.y,
                      c.kind == panel::Kind::Button ? c.imageWidth : c.rect.width, c.rect.height);
        EXPECT_EQ(shape.intersected(r), QRegion(r)) << "control " << c.id << " lies in the window";
    }
    // The strips that the panel draws black sit in wells the skin leaves black.
    for (const skin::Rect& r :
         {panel::kWaveLeft, panel::kWaveRight, panel::kMeterLeft, panel::kMeterRight}) {
        for (int y = r.y; y < r.bottom(); y += 3)
            for (int x = r.x; x < r.right(); x += 3)
                ASSERT_EQ(bk.pixel(x, y) & 0xFFFFFF, 0u) << x << "," << y;
        EXPECT_NE(bk.pixel(r.x - 1, r.y) & 0xFFFFFF, 0u) << "the well's rim";
    }
    // Texts are black on the panel: where a label's text begins the skin must be light.
    for (const panel::Control& c : panel::kControls)
        if (c.kind == panel::Kind::Static) {
            for (int y = c.rect.y; y < c.rect.bottom(); ++y)
                EXPECT_GT(qGray(bk.pixel(c.rect.x + 3, y)), 180)
                    << "label " << c.text << " y " << y;
        }
}

TEST(GeneratedSkin, StripsShowDistinctLooksInAShapedOutline) {
    for (const skin::Strip& s : skin::kStrips) {
        SCOPED_TRACE(std::string(s.file));
        const QImage image = SkinBitmap::load(skinFile(s.file));
        auto look = [&](int i) { return image.copy(i * s.imageWidth, 0, s.imageWidth, s.height); };
        const QImage normal = look(skin::kImageNormal);
        EXPECT_TRUE(isKey(normal.pixel(0, 0))) << "the corners are outside the button";
        EXPECT_FALSE(isKey(normal.pixel(s.imageWidth / 2, s.height / 2)));
        EXPECT_NE(normal, look(skin::kImagePushed));
        EXPECT_NE(normal, look(skin::kImageHover));
        EXPECT_NE(normal, look(skin::kImageDisabled));
        EXPECT_NE(look(skin::kImagePushed), look(skin::kImageHover));
        // Every look keeps the outline of the first image, which shapes the button.
        for (int i = 1; i < s.images; ++i)
            for (int y = 0; y < s.height; ++y)
                for (int x = 0; x < s.imageWidth; ++x)
                    if (!isKey(normal.pixel(x, y))) {
                        ASSERT_FALSE(isKey(look(i).pixel(x, y)))
                            << "image " << i << " at " << x << "," << y;
                    }
    }
    const QImage play = SkinBitmap::load(skinFile(skin::kPlayStrip.file));
    const int w = skin::kPlayStrip.imageWidth;
    EXPECT_NE(play.copy(0, 0, w, skin::kPlayStrip.height),
              play.copy(skin::kPauseLookFirstImage * w, 0, w, skin::kPlayStrip.height))
        << "the pause look differs from the play look";
}

TEST(GeneratedSkin, IconsHoldEverySizeAndLoadAsIcons) {
    for (std::string_view name : {skin::kTrayNoDeviceIcon, skin::kTrayIdleIcon,
                                  skin::kTraySchedulerIcon, skin::kProgramIcon}) {
        SCOPED_TRACE(std::string(name));
        QImageReader reader(programResource(str(name)));
        ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
        EXPECT_EQ(reader.imageCount(), int(std::size(skin::kIconSizes)));
        std::set<int> sizes;
        for (int i = 0; i < reader.imageCount(); ++i) {
            ASSERT_TRUE(reader.jumpToImage(i));
            const QImage image = reader.read();
            ASSERT_FALSE(image.isNull()) << "entry " << i;
            EXPECT_EQ(image.width(), image.height());
            EXPECT_TRUE(image.hasAlphaChannel());
            EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "round icons leave their corners clear";
            sizes.insert(image.width());
        }
        EXPECT_EQ(sizes, std::set<int>(std::begin(skin::kIconSizes), std::end(skin::kIconSizes)));
        const QIcon icon(programResource(str(name)));
        EXPECT_FALSE(icon.isNull());
        EXPECT_FALSE(icon.pixmap(32, 32).isNull());
    }
    const QImage png(programResource(str(skin::kProgramIconPng)));
    EXPECT_EQ(png.size(), QSize(256, 256));
    // The idle icon and the no-device icon must be told apart at a glance.
    EXPECT_NE(QImage(programResource(str(skin::kTrayIdleIcon))),
              QImage(programResource(str(skin::kTrayNoDeviceIcon))));
}

TEST(SkinRender, PanelBackgroundIsPaintedAtTheScreensScale) {
    SkinTestDialog dialog;
    ASSERT_TRUE(dialog.applySkin(skinFile(panel::kBackground.file)));
    dialog.show();
    const QImage shot = dialog.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage& normal = dialog.dialogSkin()->background();
    // On a 200 % screen the double-size drawing is painted pixel for pixel, not the normal
    // one scaled up.
    const QImage& source =
        qApp->devicePixelRatio() > 1.0 ? dialog.dialogSkin()->doubleSizeBackground() : normal;
    ASSERT_FALSE(source.isNull());
    ASSERT_EQ(shot.size(), source.size());
    // Key pixels are clear in the painted surface itself, for compositors that show it
    // without the mask; the rest is the drawing, opaque.
    const QRgb key = dialog.dialogSkin()->keyColour();
    int clear = 0;
    for (int y = 0; y < source.height(); y += 2)
        for (int x = 0; x < source.width(); x += 2) {
            const QRgb s = source.pixel(x, y);
            if (qAlpha(s) == 0 || (s & 0xFFFFFF) == key) {
                ASSERT_EQ(qAlpha(shot.pixel(x, y)), 0) << x << "," << y;
                ++clear;
            } else {
                ASSERT_EQ(shot.pixel(x, y), s | 0xFF000000u) << x << "," << y;
            }
        }
    EXPECT_GT(clear, 0) << "the rounded corners";
    EXPECT_EQ(qAlpha(shapedGrab(&dialog).pixel(0, 0)), 0) << "the rounded corner is cut away";
}
