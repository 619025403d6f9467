// Draws the default skin: the window backgrounds, button strips and slider bars into
// <resource>/Skin/ (each also as "@2x" for 200 % screens), the tray and program icons into
// <resource>/, and the program icon in the sizes of a freedesktop icon theme into
// <icons>/hicolor/ (ThemeIcons).
//
//     vorlane_skingen <resource folder> [<icon theme folder>]

#include "BackgroundArt.h"
#include "ButtonArt.h"
#include "IconArt.h"
#include "SkinCanvas.h"
#include "ThemeIcons.h"
#include "ui/PanelLayout.h"
#include "ui/SkinLayout.h"

#include <QDir>
#include <QGuiApplication>
#include <QList>
#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace vorlane;
using namespace vorlane::skingen;

namespace {

QString str(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QString doubleName(std::string_view file) {
    QString name = str(file);
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    return name.left(dot) + str(skin::kDoubleSizeSuffix) + name.mid(dot);
}

bool writeBoth(const QDir& dir, std::string_view file, const std::function<QImage(int)>& art) {
    const QImage normal = art(1);
    QImage large = art(2);
    SkinCanvas::coverShape(large, normal, colours::kFrame);
    return SkinCanvas::writeBmp(normal, dir.filePath(str(file))) &&
           SkinCanvas::writeBmp(large, dir.filePath(doubleName(file)));
}

QList<QImage> iconImages(IconArt::Kind kind) {
    QList<QImage> images;
    for (int size : skin::kIconSizes)
        images.append(IconArt::draw(kind, size));
    return images;
}

} // namespace

int main(int argc, char** argv) {
    // Text of the wordmark needs fonts, hence a GUI application, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <resource folder> [<icon theme folder>]\n", argv[0]);
        return 2;
    }
    QDir resource(QString::fromLocal8Bit(argv[1]));
    if (!resource.mkpath(QStringLiteral("Skin"))) {
        std::fprintf(stderr, "cannot create %s/Skin\n", argv[1]);
        return 1;
    }
    QDir skinDir(resource.filePath(QStringLiteral("Skin")));

    bool ok = writeBoth(skinDir, panel::kBackground.file, BackgroundArt::panel);
    for (const skin::Background* bg : {&skin::kToolBackground, &skin::kTaskListBackground})
        ok = writeBoth(skinDir, bg->file,
                       [bg](int scale) { return BackgroundArt::toolDialog(*bg, scale); }) &&
             ok;
    for (const skin::browser::Bar* bar : {&skin::browser::kPositionBar, &skin::browser::kVolumeBar})
        ok = writeBoth(skinDir, bar->file,
                       [bar](int scale) { return BackgroundArt::sliderBar(*bar, scale); }) &&
             ok;
    for (const skin::Strip& strip : skin::kStrips)
        ok = writeBoth(skinDir, strip.file,
                       [&strip](int scale) { return ButtonArt::strip(strip, scale); }) &&
             ok;

    ok = SkinCanvas::writeIco(iconImages(IconArt::Kind::NoDevice),
                              resource.filePath(str(skin::kTrayNoDeviceIcon))) &&
         ok;
    ok = SkinCanvas::writeIco(iconImages(IconArt::Kind::DeviceIdle),
                              resource.filePath(str(skin::kTrayIdleIcon))) &&
         ok;
    ok = SkinCanvas::writeIco(iconImages(IconArt::Kind::Scheduler),
                              resource.filePath(str(skin::kTraySchedulerIcon))) &&
         ok;
    ok = SkinCanvas::writeIco(iconImages(IconArt::Kind::Program),
                              resource.filePath(str(skin::kProgramIcon))) &&
         ok;
    ok = IconArt::draw(IconArt::Kind::Program, 256)
             .save(resource.filePath(str(skin::kProgramIconPng)), "PNG") &&
         ok;

    if (argc >= 3)
        ok = ThemeIcons::write(QString::fromLocal8Bit(argv[2])) && ok;
    if (!ok) {
        std::fprintf(stderr, "vorlane_skingen: some files could not be written\n");
        return 1;
    }
    return 0;
}
