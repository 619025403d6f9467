#pragma once

// Geometry and file names of the default skin, in client pixels. The skin generator draws
// the bitmaps from these numbers and the windows place their controls by them, so bitmap
// and controls always line up. Plain data, no Qt, so that the generator and every window
// can share it.

#include <cstdint>
#include <string_view>

namespace vorlane::skin {

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    constexpr int right() const { return x + width; }   // exclusive
    constexpr int bottom() const { return y + height; } // exclusive
    constexpr bool contains(int px, int py) const {
        return px >= x && px < right() && py >= y && py < bottom();
    }
};

// Dialog templates are laid out in dialog units of 8-point Tahoma at 96 dpi.
constexpr int DluX(int x) {
    return x * 6 / 4;
}
constexpr int DluY(int y) {
    return y * 13 / 8;
}
// Corners are converted rather than sizes, so that neighbouring controls stay aligned.
constexpr Rect FromDialogUnits(int x, int y, int width, int height) {
    return {DluX(x), DluY(y), DluX(x + width) - DluX(x), DluY(y + height) - DluY(y)};
}

// Pixels of exactly this colour (0xRRGGBB) lie outside a window or button.
inline constexpr uint32_t kKeyColour = 0xFF00FF;

// Image indices within every strip of this skin.
inline constexpr int kImageNormal = 0;
inline constexpr int kImagePushed = 1;
inline constexpr int kImageHover = 2;
inline constexpr int kImageDisabled = 3;

// Corner radius of the pill-shaped buttons of a strip this high. A caption keeps clear of
// the rounded ends by CaptionMargin on each side.
constexpr int PillRadius(int height) {
    return height >= 26 ? 7 : 5;
}
constexpr int CaptionMargin(int height) {
    return PillRadius(height) + 1;
}

// A button strip: images of imageWidth x height side by side.
struct Strip {
    std::string_view file;
    int imageWidth;
    int height;
    int images;
};

inline constexpr Strip kCloseStrip{"Close.bmp", 24, 22, 4};
inline constexpr Strip kMinimizeStrip{"Minimize.bmp", 24, 22, 4};
inline constexpr Strip kRecordStartStrip{"RECORD_START.bmp", 50, 28, 4};
inline constexpr Strip kRecordStopStrip{"RECORD_STOP.bmp", 50, 28, 4};
inline constexpr Strip kRecordDivideStrip{"RECORD_DIVIDE.bmp", 50, 28, 4};
inline constexpr Strip kRecordPauseStrip{"RECORD_PAUSE.bmp", 50, 28, 4};
inline constexpr Strip kTaskStrip{"Task.bmp", 32, 28, 4};
inline constexpr Strip kMusicStrip{"Music.bmp", 32, 28, 4};
inline constexpr Strip kSettingStrip{"Setting.bmp", 32, 28, 4};
// Wide enough for the captions "<<" and ">>".
inline constexpr Strip kSmallButtonStrip{"SMALL_BUTTON.bmp", 36, 20, 4};
// Wide enough for "Cancel" in every shipped language.
inline constexpr Strip kButtonStrip{"BUTTON.bmp", 88, 26, 4};
inline constexpr Strip kMediButtonStrip{"MEDI_BUTTON.bmp", 50, 26, 4};
// Images 0-3 show "play"; kPauseLookFirstImage onwards the same four looks of "pause".
inline constexpr Strip kPlayStrip{"Play2.bmp", 50, 28, 8};
inline constexpr int kPauseLookFirstImage = 4;
inline constexpr Strip kStopStrip{"Stop.bmp", 50, 28, 4};
inline constexpr Strip kPreviousStrip{"Previous.bmp", 50, 28, 4};
inline constexpr Strip kNextStrip{"Next.bmp", 50, 28, 4};
inline constexpr Strip kSaveAsStrip{"SaveAs.bmp", 32, 28, 4};
inline constexpr Strip kDeleteStrip{"Delete.bmp", 32, 28, 4};
// The thumb of both sliders of the recordings browser.
inline constexpr Strip kSliderThumbStrip{"Volume_Slider.bmp", 10, 17, 4};

inline constexpr Strip kStrips[] = {
    kCloseStrip,       kMinimizeStrip,   kRecordStartStrip, kRecordStopStrip,  kRecordDivideStrip,
    kRecordPauseStrip, kTaskStrip,       kMusicStrip,       kSettingStrip,     kSmallButtonStrip,
    kButtonStrip,      kMediButtonStrip, kPlayStrip,        kStopStrip,        kPreviousStrip,
    kNextStrip,        kSaveAsStrip,     kDeleteStrip,      kSliderThumbStrip,
};

// A window background: the window takes this size and shape.
struct Background {
    std::string_view file;
    int width;
    int height;
    int headerHeight; // dark band at the top that carries the title and the close button
};

// Rounded outer corners; the pixels outside them carry the key colour.
inline constexpr int kCornerRadius = 8;

// Recordings browser, system settings and task editor (their templates are 242 x 218).
inline constexpr Background kToolBackground{"BK10.bmp", DluX(242), DluY(218), 48};
// Task list (template 418 x 226).
inline constexpr Background kTaskListBackground{"BK30.bmp", DluX(418), DluY(226), 48};

// The card that a tool dialog's background draws below its header band.
constexpr Rect ContentCard(const Background& b) {
    return {10, b.headerHeight + 10, b.width - 20, b.height - b.headerHeight - 20};
}

// The title that the tool dialogs paint over their background: Tahoma 18, weight 900.
inline constexpr Rect kTitleRect{10, 10, 190, 30};
inline constexpr uint32_t kTitleColour = 0x57AD3D; // 0xRRGGBB

// Where the close button sits on the header band of a tool dialog.
constexpr Rect CloseButtonRect(const Background& b) {
    return {b.width - kCloseStrip.imageWidth - 12, (b.headerHeight - kCloseStrip.height) / 2,
            kCloseStrip.imageWidth, kCloseStrip.height};
}

// The two slider bars that the recordings browser paints over BK10.bmp, and the areas
// that its mouse handling gives them. Thumb left edges run from 30 to 280 (position) and
// from 77 to 135 (volume), so the bars centre the 10 x 17 thumb over their groove.
namespace browser {
struct Bar {
    std::string_view file;
    int x, y, width, height;
};
inline constexpr Bar kPositionBar{"Play_Slider_Bar.bmp", 30, 295, 260, 9};
inline constexpr Bar kVolumeBar{"Volume_Slider_Bar.bmp", 75, 265, 72, 9};
inline constexpr Rect kPositionTrack{20, 285, 271, 21}; // clicks, bounds inclusive 20..290
inline constexpr Rect kVolumeTrack{72, 260, 79, 31};    // clicks, 72..150 x 260..290
inline constexpr Rect kVolumeHitArea{72, 265, 79, 21};  // not a drag point
inline constexpr int kPositionThumbY = 291;
inline constexpr int kVolumeThumbY = 261;
} // namespace browser

// Icons, in the program folder's Resource/ (not the skin folder).
inline constexpr std::string_view kTrayNoDeviceIcon = "DEVICE_NO_LP.ico";
inline constexpr std::string_view kTrayIdleIcon = "DEVICE_IDLE_LP.ico";
inline constexpr std::string_view kTraySchedulerIcon = "Scheduler.ico";
inline constexpr std::string_view kProgramIcon = "Vorlane.ico";
inline constexpr std::string_view kProgramIconPng = "Vorlane.png"; // 256 x 256
inline constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// A bitmap may come with a twice-as-large drawing for 200 % screens: "name@2x.bmp".
inline constexpr std::string_view kDoubleSizeSuffix = "@2x";

} // namespace vorlane::skin
