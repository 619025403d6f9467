#pragma once

// Layout of the main panel in client pixels: the controls of its dialog template, the areas
// that BK-LP.bmp draws for them, and the geometry of the waveform strips and level meters.
// The skin generator and the panel both read it.
//
// Rows follow the template converted from dialog units. The template was measured for
// 8-point Tahoma; with the wider sans-serif faces of a Linux desktop and the texts of all
// shipped languages its columns are too narrow, so the panel is kWider pixels wider than
// the template's frames and the columns that carry texts are measured anew (AtColumn).

#include "ui/SkinLayout.h"

#include <string_view>

namespace vorlane::panel {

using skin::FromDialogUnits;
using skin::Rect;

enum class Kind { Button, Static, Edit, UpDown, DropDown, TimePicker };
// Where a static's text sits in its rectangle.
enum class Align { Left, Centre, Right };

struct Control {
    int id;
    Kind kind;
    Rect rect;             // client pixels
    std::string_view skin; // strip file of a bitmap button, else empty
    int imageWidth;        // width of one image of that strip
    std::string_view text; // text of the template
    Align align = Align::Left;
};

// How much wider than the template's frames the panel is.
inline constexpr int kWider = 26;

// A template rectangle moved right.
constexpr Rect Moved(Rect r, int dx) {
    return {r.x + dx, r.y, r.width, r.height};
}
// A template rectangle made wider.
constexpr Rect Widened(Rect r, int dw) {
    return {r.x, r.y, r.width + dw, r.height};
}
// The row of a template rectangle in a column of its own.
constexpr Rect AtColumn(Rect r, int x, int width) {
    return {x, r.y, width, r.height};
}
// A status line between the meter card and the button card: the template's line, lifted
// clear of the button card's border.
constexpr Rect StatusLine(Rect r) {
    return {r.x, r.y - 2, r.width, 13};
}

// Ids of the controls.
inline constexpr int kRecordStart = 1016, kRecordStop = 1017, kRecordDivide = 1018,
                     kRecordPause = 1019, kTaskButton = 1034, kPlayFileButton = 1035,
                     kSettingButton = 1036, kMinimizeButton = 1037, kCloseButton = 1038,
                     kRecordNoLabel = 1014, kRecordNoEdit = 1010, kRecordNoSpin = 1011,
                     kRecordTrackLabel = 1015, kRecordTrackEdit = 1012, kRecordTrackSpin = 1013,
                     kDivideTypeLabel = 1022, kDivideTypeList = 1020, kDivideTimeLabel = 1023,
                     kDivideTimePicker = 1021, kTitleLabel = 1024, kTitleEdit = 1025,
                     kArtistLabel = 1026, kArtistEdit = 1027, kAlbumLabel = 1028, kAlbumEdit = 1029,
                     kYearLabel = 1030, kYearEdit = 1031, kCommentLabel = 1032, kCommentEdit = 1033,
                     kGenreLabel = 1092, kGenreName = 1102, kGenreButton = 1091,
                     kFileNameLabel = 1087, kRecordTimeLabel = 1088;
// The meter captions and scale have no id in the template.
inline constexpr int kNoId = -1;

// The two bar meters: 50 bars, centred in the room that the waveform strips leave.
inline constexpr int kMeterX = 350, kMeterWidth = 100, kMeterMiddle = kMeterX + kMeterWidth / 2;

// Columns of the number card: label, number, arrows; then the division label and its field.
inline constexpr int kNumberLabelX = 22, kNumberLabelWidth = 72;
inline constexpr int kNumberEditX = 96, kNumberEditWidth = 38; // four digits
inline constexpr int kSpinX = kNumberEditX + kNumberEditWidth, kSpinWidth = 17;
inline constexpr int kDivideLabelX = 156, kDivideLabelWidth = 106;
inline constexpr int kDivideFieldX = 266, kDivideListWidth = 194, kDivideTimeWidth = 80;
// Columns of the tag card: label, field; twice.
inline constexpr int kTagLabelX = 27, kTagLabelWidth = 73, kTagEditX = 109, kTagEditWidth = 130;
inline constexpr int kTagLabel2X = 249, kTagLabel2Width = 69, kTagEdit2X = 322;
inline constexpr int kYearWidth = 69, kGenreNameWidth = 92, kGenreButtonX = 420;

inline constexpr Control kControls[] = {
    {kRecordStart, Kind::Button, FromDialogUnits(15, 97, 27, 14), "RECORD_START.bmp", 50,
     "Rec Start"},
    {kRecordStop, Kind::Button, FromDialogUnits(50, 97, 27, 14), "RECORD_STOP.bmp", 50, "Rec Stop"},
    {kRecordDivide, Kind::Button, FromDialogUnits(85, 97, 27, 14), "RECORD_DIVIDE.bmp", 50,
     "Rec Divi"},
    {kRecordPause, Kind::Button, FromDialogUnits(120, 97, 27, 14), "RECORD_PAUSE.bmp", 50,
     "Rec Pause"},
    {kTaskButton, Kind::Button, Moved(FromDialogUnits(216, 97, 17, 14), kWider), "Task.bmp", 32,
     "Rec Task"},
    {kPlayFileButton, Kind::Button, Moved(FromDialogUnits(240, 97, 17, 14), kWider), "Music.bmp",
     32, "PlayFile"},
    {kSettingButton, Kind::Button, Moved(FromDialogUnits(264, 97, 17, 14), kWider), "Setting.bmp",
     32, "Setting"},
    {kMinimizeButton, Kind::Button, Moved(FromDialogUnits(257, 3, 17, 14), kWider), "Minimize.bmp",
     24, "minimize "},
    {kCloseButton, Kind::Button, Moved(FromDialogUnits(275, 3, 15, 14), kWider), "Close.bmp", 24,
     "Close"},
    {kRecordNoLabel, Kind::Static,
     AtColumn(FromDialogUnits(15, 128, 53, 10), kNumberLabelX, kNumberLabelWidth), "", 0,
     "Record No."},
    {kRecordNoEdit, Kind::Edit,
     AtColumn(FromDialogUnits(73, 127, 18, 12), kNumberEditX, kNumberEditWidth), "", 0, ""},
    {kRecordNoSpin, Kind::UpDown, AtColumn(FromDialogUnits(91, 127, 11, 11), kSpinX, kSpinWidth),
     "", 0, ""},
    {kRecordTrackLabel, Kind::Static,
     AtColumn(FromDialogUnits(15, 143, 53, 10), kNumberLabelX, kNumberLabelWidth), "", 0,
     "Record Track"},
    {kRecordTrackEdit, Kind::Edit,
     AtColumn(FromDialogUnits(73, 142, 18, 12), kNumberEditX, kNumberEditWidth), "", 0, ""},
    {kRecordTrackSpin, Kind::UpDown, AtColumn(FromDialogUnits(91, 142, 11, 11), kSpinX, kSpinWidth),
     "", 0, ""},
    {kDivideTypeLabel, Kind::Static,
     AtColumn(FromDialogUnits(102, 129, 74, 10), kDivideLabelX, kDivideLabelWidth), "", 0,
     "DivideRecord Type"},
    // A drop-down list's template height includes its open list; the closed box is 12 high.
    {kDivideTypeList, Kind::DropDown,
     AtColumn(FromDialogUnits(177, 127, 112, 12), kDivideFieldX, kDivideListWidth), "", 0, ""},
    {kDivideTimeLabel, Kind::Static,
     AtColumn(FromDialogUnits(117, 144, 59, 10), kDivideLabelX, kDivideLabelWidth), "", 0,
     "Divi Time"},
    {kDivideTimePicker, Kind::TimePicker,
     AtColumn(FromDialogUnits(177, 142, 46, 12), kDivideFieldX, kDivideTimeWidth), "", 0, ""},
    {kTitleLabel, Kind::Static,
     AtColumn(FromDialogUnits(18, 170, 49, 10), kTagLabelX, kTagLabelWidth), "", 0, "Title"},
    {kTitleEdit, Kind::Edit, AtColumn(FromDialogUnits(73, 167, 72, 12), kTagEditX, kTagEditWidth),
     "", 0, ""},
    {kArtistLabel, Kind::Static,
     AtColumn(FromDialogUnits(157, 169, 49, 10), kTagLabel2X, kTagLabel2Width), "", 0, "Artist"},
    {kArtistEdit, Kind::Edit,
     AtColumn(FromDialogUnits(212, 167, 72, 12), kTagEdit2X, kTagEditWidth), "", 0, ""},
    {kAlbumLabel, Kind::Static,
     AtColumn(FromDialogUnits(18, 183, 49, 10), kTagLabelX, kTagLabelWidth), "", 0, "Album"},
    {kAlbumEdit, Kind::Edit, AtColumn(FromDialogUnits(73, 181, 72, 12), kTagEditX, kTagEditWidth),
     "", 0, ""},
    {kYearLabel, Kind::Static,
     AtColumn(FromDialogUnits(157, 183, 49, 10), kTagLabel2X, kTagLabel2Width), "", 0, "Year"},
    {kYearEdit, Kind::Edit, AtColumn(FromDialogUnits(212, 181, 46, 12), kTagEdit2X, kYearWidth), "",
     0, ""},
    {kCommentLabel, Kind::Static,
     AtColumn(FromDialogUnits(18, 196, 49, 10), kTagLabelX, kTagLabelWidth), "", 0, "Comment"},
    {kCommentEdit, Kind::Edit, AtColumn(FromDialogUnits(73, 195, 72, 12), kTagEditX, kTagEditWidth),
     "", 0, ""},
    {kGenreLabel, Kind::Static,
     AtColumn(FromDialogUnits(157, 196, 49, 10), kTagLabel2X, kTagLabel2Width), "", 0, "Genre"},
    {kGenreName, Kind::Static,
     AtColumn(FromDialogUnits(212, 195, 54, 12), kTagEdit2X, kGenreNameWidth), "", 0, "Blues"},
    {kGenreButton, Kind::Button,
     AtColumn(FromDialogUnits(268, 193, 13, 13), kGenreButtonX, skin::kSmallButtonStrip.imageWidth),
     skin::kSmallButtonStrip.file, skin::kSmallButtonStrip.imageWidth, "..."},
    {kFileNameLabel, Kind::Static, Widened(StatusLine(FromDialogUnits(12, 83, 230, 8)), kWider), "",
     0, ""},
    {kRecordTimeLabel, Kind::Static, StatusLine(Moved(FromDialogUnits(253, 83, 36, 8), kWider)), "",
     0, "00:00:00", Align::Right},
    // The meter captions sit left of the meters, the scale under the left one: -40 dB at its
    // left end, -20 dB in the middle and 0 dB at its right end.
    {kNoId, Kind::Static, {kMeterX - 18, 56, 14, 15}, "", 0, "L"},
    {kNoId, Kind::Static, {kMeterX - 18, 99, 14, 14}, "", 0, "R"},
    {kNoId, Kind::Static, {kMeterX - 22, 78, 44, 14}, "", 0, "-40db", Align::Centre},
    {kNoId, Kind::Static, {kMeterMiddle - 22, 78, 44, 14}, "", 0, "-20db", Align::Centre},
    {kNoId, Kind::Static, {kMeterX + kMeterWidth - 26, 78, 36, 14}, "", 0, "0db", Align::Right},
};

constexpr const Control* FindControl(int id) {
    for (const Control& c : kControls)
        if (c.id == id)
            return &c;
    return nullptr;
}

// The template's group boxes. The skin draws them as cards, so the panel needs no frame
// controls of its own.
inline constexpr Rect kMeterGroup = Widened(FromDialogUnits(11, 20, 281, 60), kWider);
inline constexpr Rect kButtonGroup = Widened(FromDialogUnits(11, 89, 281, 28), kWider);
inline constexpr Rect kNumberGroup = Widened(FromDialogUnits(11, 117, 281, 42), kWider);
inline constexpr Rect kTagGroup = Widened(FromDialogUnits(11, 159, 281, 54), kWider);
inline constexpr Rect kGroups[] = {kMeterGroup, kButtonGroup, kNumberGroup, kTagGroup};
// The strip of the body between the meter card and the button card (whose border the skin
// draws 2 pixels below the group's top), which carries the file name and recording time.
inline constexpr Rect kStatusBand{kMeterGroup.x, kMeterGroup.bottom(), kMeterGroup.width,
                                  kButtonGroup.y + 2 - kMeterGroup.bottom()};

// Waveform strips and bar meters that the panel draws for every captured block. The skin
// frames them with dark wells of kWellMargin pixels.
inline constexpr Rect kWaveLeft{28, 43, 272, 40};
inline constexpr Rect kWaveRight{28, 85, 272, 40};
inline constexpr Rect kMeterLeft{kMeterX, 53, kMeterWidth, 20};
inline constexpr Rect kMeterRight{kMeterX, 95, kMeterWidth, 20};
inline constexpr int kWellMargin = 2;

// BK-LP.bmp: the panel takes the size of the bitmap, which ends below the tag card rather
// than at the template's full height.
inline constexpr skin::Background kBackground{"BK-LP.bmp", kTagGroup.right() + 16,
                                              kTagGroup.bottom() + 14, 30};

} // namespace vorlane::panel
