#pragma once

#include "ui/SkinLayout.h"

#include <QImage>

namespace vorlane::skingen {

// The window backgrounds and the slider bars of the default skin, flattened onto the key
// colour (see SkinCanvas), at scale 1 or 2.
class BackgroundArt {
public:
    // BK-LP.bmp: the main panel, laid out by PanelLayout.h.
    static QImage panel(int scale);
    // BK10.bmp and BK30.bmp: header band, body and one content card.
    static QImage toolDialog(const skin::Background& background, int scale);
    static QImage sliderBar(const skin::browser::Bar& bar, int scale);
};

} // namespace vorlane::skingen
