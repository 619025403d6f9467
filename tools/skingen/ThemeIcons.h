#pragma once

#include <QString>

namespace vorlane::skingen {

// The program icon as a freedesktop icon theme wants it: hicolor/NxN/apps/vorlane.png for
// every size, hicolor/NxN@2/apps/vorlane.png drawn at twice the size for hi-dpi screens,
// and hicolor/scalable/apps/vorlane.svg.
class ThemeIcons {
public:
    static bool write(const QString& themeFolder);
};

} // namespace vorlane::skingen
