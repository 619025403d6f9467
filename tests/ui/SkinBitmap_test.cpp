#include "SkinTestFiles.h"
#include "ui/SkinBitmap.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QtEndian>

using namespace vorlane;
using namespace vorlane::test;

namespace {

// Every pixel is inside the region exactly when it is not the key colour.
void expectRegionMatchesPixels(const QImage& image, const QRegion& region) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            EXPECT_EQ(region.contains(QPoint(x, y)), (image.pixel(x, y) & 0xFFFFFF) != 0xFF00FF)
                << "pixel " << x << "," << y;
    EXPECT_TRUE(region.boundingRect().isEmpty() ||
                QRect(QPoint(0, 0), image.size()).contains(region.boundingRect()));
}

struct RegionCase {
    const char* name;
    QStringList rows;
    int expectedRects; // after QRegion's own merging of equal rows; -1: not checked
};

} // namespace

TEST(SkinBitmap, RegionFromRowRunsFollowsTheKeyPixelsExactly) {
    const RegionCase cases[] = {
        {"no key pixels: the whole rectangle", {"WWWW", "WWWW", "WWWW"}, 1},
        {"a key-only row adds nothing", {"WWWW", "KKKK", "WWWW"}, 2},
        {"rows ending in key pixels", {"WWKK", "WKKK", "KKKK"}, 2},
        {"rows starting in key pixels", {"KKWW", "KWWW"}, 2},
        {"several runs in one row", {"WKWKW"}, 3},
        {"rounded corners", {"KWWK", "WWWW", "WWWW", "KWWK"}, 3},
        {"one unit off the key is opaque", {"abc", "KaK"}, 2},
        {"all key: empty", {"KK", "KK"}, 0},
    };
    for (const RegionCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = imageFromRows(c.rows);
        const QRegion region = SkinBitmap::opaqueRegion(image, 0xFF00FF);
        expectRegionMatchesPixels(image, region);
        if (c.expectedRects >= 0) {
            EXPECT_EQ(region.rectCount(), c.expectedRects);
        }
    }
}

TEST(SkinBitmap, KeyTransparentImageKeepsOtherColoursOpaque) {
    const QImage image = imageFromRows({"KWa", "RKc"});
    const QImage out = SkinBitmap::withKeyTransparent(image, 0xFF00FF);
    EXPECT_EQ(qAlpha(out.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(out.pixel(1, 1)), 0);
    EXPECT_EQ(out.pixel(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(out.pixel(2, 0), 0xFFFE00FFu);
    EXPECT_EQ(out.pixel(0, 1), colourOf('R'));
    EXPECT_EQ(out.pixel(2, 1), 0xFFFF00FEu);
}

TEST(SkinBitmap, LoadsWhatQtWritesPixelForPixelAndNamesAMissingFile) {
    QTemporaryDir dir;
    const QImage image = imageFromRows({"KWRG", "UYKB", "abcK"});
    const QString path = writeBmp(dir.path(), "x.bmp", image);
    QString error;
    const QImage loaded = SkinBitmap::load(path, &error);
    ASSERT_FALSE(loaded.isNull()) << error.toStdString();
    ASSERT_EQ(loaded.size(), image.size());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            EXPECT_EQ(loaded.pixel(x, y) | 0xFF000000u, image.pixel(x, y)) << x << "," << y;
    EXPECT_TRUE(SkinBitmap::load("/nonexistent/BK-LP.bmp", &error).isNull());
    EXPECT_TRUE(error.contains("BK-LP.bmp")) << "a missing file is named";
}

TEST(SkinBitmap, ReadsTopDownBitmaps) {
    // A bitmap whose rows are stored top row first (negative height), as some editors save.
    const QImage image = imageFromRows({"RG", "UK"});
    QByteArray bytes = bmpBytes(image);
    const int height = qFromLittleEndian<qint32>(bytes.constData() + 22);
    ASSERT_EQ(height, 2);
    qToLittleEndian<qint32>(-2, bytes.data() + 22);
    const int offset = qFromLittleEndian<qint32>(bytes.constData() + 10);
    const int stride = 8; // 2 pixels x 3 bytes, padded to 4
    QByteArray rows = bytes.mid(offset, stride * 2);
    bytes.replace(offset, stride * 2, rows.mid(stride, stride) + rows.left(stride));
    const QImage loaded = SkinBitmap::fromBytes(bytes);
    ASSERT_FALSE(loaded.isNull());
    EXPECT_EQ(loaded.pixel(0, 0) | 0xFF000000u, colourOf('R'));
    EXPECT_EQ(loaded.pixel(1, 1) & 0xFFFFFF, 0xFF00FFu);
}

TEST(SkinBitmap, DamagedFilesAreRefusedWithAReason) {
    const QByteArray good = bmpBytes(imageFromRows({"RGRG", "UKUK", "WWWW"}));
    ASSERT_FALSE(SkinBitmap::fromBytes(good).isNull());
    auto patched = [&good](int at, qint32 value, int bytes = 4) {
        QByteArray b = good;
        if (bytes == 4)
            qToLittleEndian<qint32>(value, b.data() + at);
        else
            qToLittleEndian<qint16>(qint16(value), b.data() + at);
        return b;
    };
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"signature only", QByteArray("BM")},
        {"not a bitmap", QByteArray("\x89PNG\r\n\x1a\n0000000000000000000000000000", 36)},
        {"pixel data cut off", good.left(good.size() - 5)},
        {"header cut off", good.left(20)},
        {"absurd width", patched(18, 1000000)},
        {"absurd height", patched(22, 0x7FFFFFFF)},
        {"most negative height", patched(22, qint32(0x80000000))},
        {"zero width", patched(18, 0)},
        {"negative width", patched(18, -4)},
        {"two planes", patched(26, 2, 2)},
        {"7 bits per pixel", patched(28, 7, 2)},
        {"jpeg compression", patched(30, 4)},
        {"unknown header size", patched(14, 99)},
        {"pixel offset past the end", patched(10, good.size() + 100)},
        {"pixel offset inside the header", patched(10, 20)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_TRUE(SkinBitmap::fromBytes(c.bytes, &error).isNull());
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(SkinBitmap, DoubleSizeDrawingIsUsedOnlyWhenExactlyTwiceAsLarge) {
    QTemporaryDir dir;
    const QImage base(4, 3, QImage::Format_RGB32);
    const QString path = writeBmp(dir.path(), "B.bmp", base);
    EXPECT_TRUE(SkinBitmap::loadDoubleSize(path, base).isNull()); // no twin at all

    QImage twin(8, 6, QImage::Format_RGB32);
    twin.fill(Qt::red);
    writeBmp(dir.path(), "B@2x.bmp", twin);
    const QImage loaded = SkinBitmap::loadDoubleSize(path, base);
    ASSERT_EQ(loaded.size(), QSize(8, 6));
    EXPECT_EQ(loaded.pixel(3, 3) | 0xFF000000u, QColor(Qt::red).rgb());

    writeBmp(dir.path(), "B@2x.bmp", QImage(9, 6, QImage::Format_RGB32));
    EXPECT_TRUE(SkinBitmap::loadDoubleSize(path, base).isNull());
}
