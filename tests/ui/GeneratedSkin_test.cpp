// The default skin as the generator draws it into the build's program folder: every file
// that the windows name exists with the size the layout gives it, the panel bitmap leaves
// room for every control, and the skinned windows and strips are rendered to PNG files
// under the build folder for a look by eye.

#include "SkinTestFiles.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/CRegionBmpBtnMouse.h"
#include "ui/PanelLayout.h"
#include "ui/SkinBitmap.h"
#include "ui/SkinFont.h"
#include "ui/SkinLayout.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEnterEvent>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <QTimeEdit>
#include <QtMath>
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

QString doubleName(std::string_view name) {
    QString n = str(name);
    return n.replace(QStringLiteral(".bmp"), QStringLiteral("@2x.bmp"));
}

bool isKey(QRgb px) {
    return (px & 0xFFFFFF) == 0xFF00FF;
}

QString renderDir() {
    QDir().mkpath(QStringLiteral(VORLANE_RENDER_DIR));
    return QStringLiteral(VORLANE_RENDER_DIR);
}

// "name.png", or "name@2x.png" when the screen is scaled.
QString renderPath(const QString& name) {
    const bool scaled = qApp->devicePixelRatio() > 1.0;
    return renderDir() + QLatin1Char('/') + name + (scaled ? "@2x.png" : ".png");
}

CRegionBmpBtn* skinnedButton(QWidget* parent, const skin::Strip& strip, QPoint at,
                             const QString& caption = QString()) {
    auto* button = new CRegionBmpBtn(parent);
    EXPECT_TRUE(button->setSkin(skinFile(strip.file), strip.imageWidth)) << strip.file;
    button->setImages(0, 1, 2, -1);
    button->move(at);
    if (!caption.isEmpty())
        button->setCaption(caption);
    return button;
}

// A plausible waveform and level, so that the render shows the meters as they look.
void paintMeters(QPainter& p) {
    const struct {
        skin::Rect wave, meter;
        double phase;
        int bars;
    } channels[] = {{panel::kWaveLeft, panel::kMeterLeft, 0.0, 34},
                    {panel::kWaveRight, panel::kMeterRight, 1.3, 29}};
    for (const auto& c : channels) {
        p.setPen(QColor(0, 255, 0));
        QPointF last(c.wave.x, c.wave.y + c.wave.height / 2.0);
        for (int x = 1; x < c.wave.width; ++x) {
            const double v = 0.8 * qSin(x * 0.21 + c.phase) * qSin(x * 0.023 + c.phase);
            QPointF next(c.wave.x + x, c.wave.y + c.wave.height / 2.0 - v * c.wave.height / 2.0);
            p.drawLine(last, next);
            last = next;
        }
        for (int k = 0; k < c.bars; ++k)
            p.fillRect(c.meter.x + 1 + 2 * k, c.meter.y + 1, 1, 18, QColor(0, 255, 0));
    }
}

} // namespace

TEST(GeneratedSkin, EveryFileOfTheLayoutExistsAtItsSize) {
    const struct {
        std::string_view file;
        QSize size;
    } backgrounds[] = {
        {panel::kBackground.file, {panel::kBackground.width, panel::kBackground.height}},
        {skin::kToolBackground.file, {skin::kToolBackground.width, skin::kToolBackground.height}},
        {skin::kTaskListBackground.file,
         {skin::kTaskListBackground.width, skin::kTaskListBackground.height}},
        {skin::browser::kPositionBar.file,
         {skin::browser::kPositionBar.width, skin::browser::kPositionBar.height}},
        {skin::browser::kVolumeBar.file,
         {skin::browser::kVolumeBar.width, skin::browser::kVolumeBar.height}},
    };
    for (const auto& b : backgrounds) {
        QString error;
        const QImage image = SkinBitmap::load(skinFile(b.file), &error);
        ASSERT_FALSE(image.isNull()) << error.toStdString();
        EXPECT_EQ(image.size(), b.size) << b.file;
        EXPECT_EQ(SkinBitmap::load(skinFile(doubleName(b.file).toStdString())).size(), b.size * 2)
            << b.file;
    }
    for (const skin::Strip& s : skin::kStrips) {
        const QImage image = SkinBitmap::load(skinFile(s.file));
        ASSERT_FALSE(image.isNull()) << s.file;
        EXPECT_EQ(image.size(), QSize(s.imageWidth * s.images, s.height)) << s.file;
    }
    // The files that the windows name but the layout does not list by strip.
    for (const char* named :
         {"BK-LP.bmp", "BK10.bmp", "BK30.bmp", "Close.bmp", "Minimize.bmp", "RECORD_START.bmp",
          "Task.bmp", "Music.bmp", "Setting.bmp", "SMALL_BUTTON.bmp", "BUTTON.bmp",
          "MEDI_BUTTON.bmp", "Play2.bmp", "Volume_Slider.bmp", "Play_Slider_Bar.bmp"})
        EXPECT_FALSE(SkinBitmap::load(skinFile(named)).isNull()) << named;
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
        ASSERT_FALSE(image.isNull());
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

TEST(GeneratedSkin, DoubleSizeDrawingsCoverTheShapeOfTheNormalOnes) {
    std::vector<std::string_view> files = {panel::kBackground.file, skin::kToolBackground.file,
                                           skin::kTaskListBackground.file};
    for (const skin::Strip& s : skin::kStrips)
        files.push_back(s.file);
    for (std::string_view file : files) {
        const QImage normal = SkinBitmap::load(skinFile(file));
        const QImage large = SkinBitmap::loadDoubleSize(skinFile(file), normal);
        ASSERT_FALSE(large.isNull()) << file;
        for (int y = 0; y < large.height(); ++y)
            for (int x = 0; x < large.width(); ++x)
                if (!isKey(normal.pixel(x / 2, y / 2))) {
                    ASSERT_FALSE(isKey(large.pixel(x, y))) << file << " " << x << "," << y;
                }
    }
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

TEST(SkinRender, MainPanelWithItsControls) {
    SkinTestDialog dialog;
    ASSERT_TRUE(dialog.applySkin(skinFile(panel::kBackground.file)));
    if (qApp->devicePixelRatio() > 1.0) {
        EXPECT_FALSE(dialog.dialogSkin()->doubleSizeBackground().isNull());
    }
    dialog.setFont(SkinFont::templateFont());
    dialog.paintOver = paintMeters;
    std::vector<std::pair<int, CRegionBmpBtn*>> buttons;
    for (const panel::Control& c : panel::kControls) {
        const QRect r(c.rect.x, c.rect.y, c.rect.width, c.rect.height);
        switch (c.kind) {
        case panel::Kind::Button: {
            const skin::Strip strip{c.skin, c.imageWidth, 0, 0};
            auto* b =
                skinnedButton(&dialog, strip, r.topLeft(),
                              c.id == panel::kGenreButton ? QStringLiteral("...") : QString());
            b->setEnabled(c.id == panel::kRecordStart || c.id > panel::kRecordPause);
            buttons.emplace_back(c.id, b);
            break;
        }
        case panel::Kind::Static: {
            auto* label = new QLabel(
                c.text.empty() ? QStringLiteral("No.01-Track001_20261206-174500.mp3") : str(c.text),
                &dialog);
            if (c.id == panel::kGenreName)
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            label->setGeometry(r);
            break;
        }
        case panel::Kind::Edit:
            (new QLineEdit(c.id == panel::kRecordNoEdit || c.id == panel::kRecordTrackEdit
                               ? QStringLiteral("1")
                               : QString(),
                           &dialog))
                ->setGeometry(r);
            break;
        case panel::Kind::UpDown: {
            auto* spin = new QSpinBox(&dialog);
            spin->setGeometry(r);
            spin->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
            break;
        }
        case panel::Kind::DropDown: {
            auto* combo = new QComboBox(&dialog);
            combo->addItem(QStringLiteral("Close Auto Divide Record"));
            combo->setGeometry(r);
            break;
        }
        case panel::Kind::TimePicker: {
            auto* time = new QTimeEdit(QTime(0, 10), &dialog);
            time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
            time->setGeometry(r);
            break;
        }
        }
    }
    dialog.show();
    const QImage shot = shapedGrab(&dialog);
    ASSERT_TRUE(shot.save(renderPath(QStringLiteral("panel"))));
    // Each bitmap button shows its normal image where the layout puts it.
    const QImage plain = dialog.grab().toImage();
    const qreal ratio = plain.devicePixelRatio();
    for (auto [id, button] : buttons) {
        if (!button->isVisible())
            continue;
        const QPoint c = button->geometry().center();
        const QImage own = button->grab().toImage();
        const QPoint inside = button->rect().center();
        EXPECT_EQ(plain.pixel(int(c.x() * ratio), int(c.y() * ratio)),
                  own.pixel(int(inside.x() * ratio), int(inside.y() * ratio)))
            << "button " << id;
    }
}

TEST(SkinRender, ToolDialogsAndBrowser) {
    const struct {
        const char* name;
        const skin::Background* bg;
        const char* title;
        std::vector<const char*> captions;
    } windows[] = {
        {"settings", &skin::kToolBackground, "Options", {"OK", "Cancel"}},
        {"task-editor", &skin::kToolBackground, "Recording Task", {"OK", "Cancel"}},
        {"task-list", &skin::kTaskListBackground, "Scheduled Tasks", {"New", "Edit", "Delete"}},
        {"browser", &skin::kToolBackground, "Play Recordings", {}},
    };
    for (const auto& w : windows) {
        SkinTestDialog dialog;
        ASSERT_TRUE(dialog.applySkin(skinFile(w.bg->file)));
        const QString title = QString::fromUtf8(w.title);
        const bool browser = std::string_view(w.name) == "browser";
        dialog.paintOver = [title, browser](QPainter& p) {
            SkinFont::drawDialogTitle(p, title);
            if (!browser)
                return;
            for (const auto* bar : {&skin::browser::kPositionBar, &skin::browser::kVolumeBar})
                p.drawImage(QPoint(bar->x, bar->y), SkinBitmap::load(skinFile(bar->file)));
        };
        const skin::Rect close = skin::CloseButtonRect(*w.bg);
        skinnedButton(&dialog, skin::kCloseStrip, {close.x, close.y})->setToolTip("close");
        int x = w.bg->width - 16;
        for (auto it = w.captions.rbegin(); it != w.captions.rend(); ++it) {
            x -= skin::kButtonStrip.imageWidth;
            skinnedButton(&dialog, skin::kButtonStrip,
                          {x, w.bg->height - 20 - skin::kButtonStrip.height}, *it);
            x -= 8;
        }
        if (browser) {
            int bx = 20;
            for (const skin::Strip* s :
                 {&skin::kPlayStrip, &skin::kStopStrip, &skin::kPreviousStrip, &skin::kNextStrip,
                  &skin::kMediButtonStrip, &skin::kSaveAsStrip, &skin::kDeleteStrip}) {
                skinnedButton(&dialog, *s, {bx, 310}, s == &skin::kMediButtonStrip ? "x1" : "");
                bx += s->imageWidth + 4;
            }
            auto* position = new CRegionBmpBtnMouse(&dialog, 1058);
            position->setSkin(skinFile(skin::kSliderThumbStrip.file), 10);
            position->setImages(0, 1, 2, -1);
            position->move(30 + 400 * 250 / 1000, skin::browser::kPositionThumbY);
            auto* volume = new CRegionBmpBtnMouse(&dialog, 1053);
            volume->setSkin(skinFile(skin::kSliderThumbStrip.file), 10);
            volume->setImages(0, 1, 2, -1);
            volume->move(int(80 / 100.0 * 58 + 82) - 5, skin::browser::kVolumeThumbY);
            (new QLabel("Vol", &dialog))->setGeometry(30, 262, 40, 16);
            (new QLabel("Page", &dialog))->setGeometry(200, 262, 40, 16);
            skinnedButton(&dialog, skin::kSmallButtonStrip, {240, 262}, "<<");
            skinnedButton(&dialog, skin::kSmallButtonStrip, {276, 262}, ">>");
        } else if (std::string_view(w.name) == "settings") {
            (new QLabel(QStringLiteral("Language"), &dialog))->setGeometry(24, 70, 120, 18);
            skinnedButton(&dialog, skin::kSmallButtonStrip, {300, 96}, "...");
        }
        dialog.show();
        ASSERT_TRUE(shapedGrab(&dialog).save(renderPath(QString::fromUtf8(w.name))));
    }
}

TEST(SkinRender, EveryStripInEveryLook) {
    QWidget sheet;
    const int rowHeight = 40;
    sheet.resize(470, rowHeight * int(std::size(skin::kStrips)) + 10);
    sheet.setAutoFillBackground(true);
    QPalette pal = sheet.palette();
    pal.setColor(QPalette::Window, Qt::white);
    sheet.setPalette(pal);
    int y = 5;
    for (const skin::Strip& s : skin::kStrips) {
        (new QLabel(str(s.file), &sheet))->setGeometry(5, y, 130, 20);
        int x = 140;
        // Normal, pushed, hover, disabled (with its own image), as the windows set them.
        for (int look = 0; look < 4; ++look) {
            auto* b = skinnedButton(&sheet, s, {x, y});
            b->setImages(0, 1, 2, 3);
            if (look == 1)
                b->setDown(true);
            if (look == 2) {
                QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
                QCoreApplication::sendEvent(b, &enter);
            }
            if (look == 3)
                b->setEnabled(false);
            x += s.imageWidth + 14;
        }
        y += rowHeight;
    }
    sheet.show();
    const QImage shot = sheet.grab().toImage();
    ASSERT_TRUE(shot.save(renderPath(QStringLiteral("strips"))));
    // Also each strip file as it is, for the pixels.
    QDir().mkpath(renderDir() + "/strips");
    for (const skin::Strip& s : skin::kStrips)
        ASSERT_TRUE(SkinBitmap::load(skinFile(s.file))
                        .scaled(QSize(s.imageWidth * s.images, s.height) * 3)
                        .save(renderDir() + "/strips/" + str(s.file).replace(".bmp", ".png")));
}

TEST(SkinRender, TrayAndProgramIcons) {
    QImage sheet(40 + 300 * 4, 300, QImage::Format_ARGB32);
    sheet.fill(QColor(0xEC, 0xEF, 0xF3));
    QPainter p(&sheet);
    int x = 20;
    for (std::string_view name : {skin::kProgramIcon, skin::kTrayIdleIcon, skin::kTrayNoDeviceIcon,
                                  skin::kTraySchedulerIcon}) {
        const QIcon icon(programResource(str(name)));
        int y = 20;
        int ix = x;
        for (int size : {16, 24, 32, 48, 64}) {
            p.drawPixmap(ix, y, icon.pixmap(size, size));
            ix += size + 6;
        }
        p.drawPixmap(x, 100, icon.pixmap(128, 128));
        p.fillRect(x, 240, 64, 40, QColor(0x26, 0x2B, 0x33)); // as on a dark panel
        p.drawPixmap(x + 4, 244, icon.pixmap(32, 32));
        x += 300;
    }
    p.end();
    ASSERT_TRUE(sheet.save(renderPath(QStringLiteral("icons"))));
}
