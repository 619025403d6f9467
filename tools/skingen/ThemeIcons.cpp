#include "ThemeIcons.h"

#include "IconArt.h"
#include "ui/SkinLayout.h"

#include <QDir>
#include <QPainter>
#include <QSvgGenerator>

namespace vorlane::skingen {

namespace {

bool writePng(const QDir& theme, const QString& sizeFolder, int pixels) {
    const QString sub = QStringLiteral("hicolor/%1/apps").arg(sizeFolder);
    return theme.mkpath(sub) &&
           IconArt::draw(IconArt::Kind::Program, pixels)
               .save(theme.filePath(sub + QStringLiteral("/vorlane.png")), "PNG");
}

bool writeSvg(const QDir& theme) {
    const QString sub = QStringLiteral("hicolor/scalable/apps");
    if (!theme.mkpath(sub))
        return false;
    constexpr int kSide = 256;
    QSvgGenerator svg;
    svg.setFileName(theme.filePath(sub + QStringLiteral("/vorlane.svg")));
    svg.setSize(QSize(kSide, kSide));
    svg.setViewBox(QRect(0, 0, kSide, kSide));
    svg.setTitle(QStringLiteral("Vorlane"));
    QPainter p;
    if (!p.begin(&svg))
        return false;
    p.setRenderHint(QPainter::Antialiasing);
    IconArt::paint(p, IconArt::Kind::Program, kSide);
    return p.end();
}

} // namespace

bool ThemeIcons::write(const QString& themeFolder) {
    const QDir theme(themeFolder);
    bool ok = true;
    for (int size : skin::kIconSizes) {
        ok = writePng(theme, QStringLiteral("%1x%1").arg(size), size) && ok;
        ok = writePng(theme, QStringLiteral("%1x%1@2").arg(size), 2 * size) && ok;
    }
    return writeSvg(theme) && ok;
}

} // namespace vorlane::skingen
