#pragma once

#include <QImage>

class QPainter;

namespace vorlane::skingen {

// The program icon and the tray icons, as images with alpha at a given size in pixels.
class IconArt {
public:
    enum class Kind {
        Program,    // a record with the accent label
        DeviceIdle, // the same mark: a device is connected
        NoDevice,   // a greyed record with a red badge
        Scheduler,  // a clock over a record
    };

    static QImage draw(Kind kind, int size);
    // Paints the icon into a square of side `size` at the origin: pixels or vectors alike.
    static void paint(QPainter& p, Kind kind, int size);
};

} // namespace vorlane::skingen
