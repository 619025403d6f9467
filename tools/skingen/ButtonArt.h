#pragma once

#include "ui/SkinLayout.h"

#include <QImage>

namespace vorlane::skingen {

// The button strips of the default skin: for every strip of SkinLayout.h its images side by
// side in the order normal, pushed, hover, disabled (Play2.bmp repeats the four looks with
// the pause glyph), flattened onto the key colour at scale 1 or 2.
class ButtonArt {
public:
    enum class Look { Normal, Pushed, Hover, Disabled };

    static QImage strip(const skin::Strip& strip, int scale);
};

} // namespace vorlane::skingen
