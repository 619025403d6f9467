#pragma once

// Layout of the main panel in client pixels: the controls of its dialog template converted
// from dialog units, the areas that BK-LP.bmp draws for them, and the geometry of the
// waveform strips and level meters. The skin generator and the panel both read it.

#include "ui/SkinLayout.h"

#include <string_view>

namespace vorlane::panel {

using skin::FromDialogUnits;
using skin::Rect;

enum class Kind { Button, Static, Edit, UpDown, DropDown, TimePicker };

struct Control {
    int id;
    Kind kind;
    Rect rect;             // the converted template rectangle
    std::string_view skin; // strip file of a bitmap button, else empty
    int imageWidth;        // width of one image of that strip
    std::string_view text; // text of the template
};

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

inline constexpr Control kControls[] = {
    {kRecordStart, Kind::Button, FromDialogUnits(15, 97, 27, 14), "RECORD_START.bmp", 50,
     "Rec Start"},
    {kRecordStop, Kind::Button, FromDialogUnits(50, 97, 27, 14), "RECORD_STOP.bmp", 50, "Rec Stop"},
    {kRecordDivide, Kind::Button, FromDialogUnits(85, 97, 27, 14), "RECORD_DIVIDE.bmp", 50,
     "Rec Divi"},
    {kRecordPause, Kind::Button, FromDialogUnits(120, 97, 27, 14), "RECORD_PAUSE.bmp", 50,
     "Rec Pause"},
    {kTaskButton, Kind::Button, FromDialogUnits(216, 97, 17, 14), "Task.bmp", 32, "Rec Task"},
    {kPlayFileButton, Kind::Button, FromDialogUnits(240, 97, 17, 14), "Music.bmp", 32, "PlayFile"},
    {kSettingButton, Kind::Button, FromDialogUnits(264, 97, 17, 14), "Setting.bmp", 32, "Setting"},
    {kMinimizeButton, Kind::Button, FromDialogUnits(257, 3, 17, 14), "Minimize.bmp", 24,
     "minimize "},
    {kCloseButton, Kind::Button, FromDialogUnits(275, 3, 15, 14), "Close.bmp", 24, "Close"},
    {kRecordNoLabel, Kind::Static, FromDialogUnits(15, 128, 53, 10), "", 0, "Record No."},
    {kRecordNoEdit, Kind::Edit, FromDialogUnits(73, 127, 18, 12), "", 0, ""},
    {kRecordNoSpin, Kind::UpDown, FromDialogUnits(91, 127, 11, 11), "", 0, ""},
    {kRecordTrackLabel, Kind::Static, FromDialogUnits(15, 143, 53, 10), "", 0, "Record Track"},
    {kRecordTrackEdit, Kind::Edit, FromDialogUnits(73, 142, 18, 12), "", 0, ""},
    {kRecordTrackSpin, Kind::UpDown, FromDialogUnits(91, 142, 11, 11), "", 0, ""},
    {kDivideTypeLabel, Kind::Static, FromDialogUnits(102, 129, 74, 10), "", 0, "DivideRecord Type"},
    // A drop-down list's template height includes its open list; the closed box is 12 high.
    {kDivideTypeList, Kind::DropDown, FromDialogUnits(177, 127, 112, 12), "", 0, ""},
    {kDivideTimeLabel, Kind::Static, FromDialogUnits(117, 144, 59, 10), "", 0, "Divi Time"},
    {kDivideTimePicker, Kind::TimePicker, FromDialogUnits(177, 142, 46, 12), "", 0, ""},
    {kTitleLabel, Kind::Static, FromDialogUnits(18, 170, 49, 10), "", 0, "Title"},
    {kTitleEdit, Kind::Edit, FromDialogUnits(73, 167, 72, 12), "", 0, ""},
    {kArtistLabel, Kind::Static, FromDialogUnits(157, 169, 49, 10), "", 0, "Artist"},
    {kArtistEdit, Kind::Edit, FromDialogUnits(212, 167, 72, 12), "", 0, ""},
    {kAlbumLabel, Kind::Static, FromDialogUnits(18, 183, 49, 10), "", 0, "Album"},
    {kAlbumEdit, Kind::Edit, FromDialogUnits(73, 181, 72, 12), "", 0, ""},
    {kYearLabel, Kind::Static, FromDialogUnits(157, 183, 49, 10), "", 0, "Year"},
    {kYearEdit, Kind::Edit, FromDialogUnits(212, 181, 46, 12), "", 0, ""},
    {kCommentLabel, Kind::Static, FromDialogUnits(18, 196, 49, 10), "", 0, "Comment"},
    {kCommentEdit, Kind::Edit, FromDialogUnits(73, 195, 72, 12), "", 0, ""},
    {kGenreLabel, Kind::Static, FromDialogUnits(157, 196, 49, 10), "", 0, "Genre"},
    {kGenreName, Kind::Static, FromDialogUnits(212, 195, 54, 12), "", 0, "Blues"},
    {kGenreButton, Kind::Button, FromDialogUnits(268, 193, 13, 13), "SMALL_BUTTON.bmp", 32, "..."},
    {kFileNameLabel, Kind::Static, FromDialogUnits(12, 83, 230, 8), "", 0, ""},
    {kRecordTimeLabel, Kind::Static, FromDialogUnits(253, 83, 36, 8), "", 0, "00:00:00"},
    {kNoId, Kind::Static, FromDialogUnits(208, 35, 24, 9), "", 0, "L"},
    {kNoId, Kind::Static, FromDialogUnits(208, 61, 24, 9), "", 0, "R"},
    {kNoId, Kind::Static, FromDialogUnits(220, 48, 70, 9), "", 0, "-40db     -20db     0db"},
};

constexpr const Control* FindControl(int id) {
    for (const Control& c : kControls)
        if (c.id == id)
            return &c;
    return nullptr;
}

// The template's group boxes. The skin draws them as cards, so the panel needs no frame
// controls of its own.
inline constexpr Rect kMeterGroup = FromDialogUnits(11, 20, 281, 60);
inline constexpr Rect kButtonGroup = FromDialogUnits(11, 89, 281, 28);
inline constexpr Rect kNumberGroup = FromDialogUnits(11, 117, 281, 42);
inline constexpr Rect kTagGroup = FromDialogUnits(11, 159, 281, 54);
inline constexpr Rect kGroups[] = {kMeterGroup, kButtonGroup, kNumberGroup, kTagGroup};
// The strip of the body between the meter card and the button card (whose border the skin
// draws 2 pixels below the group's top), which carries the file name and recording time.
inline constexpr Rect kStatusBand{kMeterGroup.x, kMeterGroup.bottom(), kMeterGroup.width,
                                  kButtonGroup.y + 2 - kMeterGroup.bottom()};

// Waveform strips and bar meters that the panel draws for every captured block. The skin
// frames them with dark wells of kWellMargin pixels.
inline constexpr Rect kWaveLeft{28, 43, 272, 40};
inline constexpr Rect kWaveRight{28, 85, 272, 40};
inline constexpr Rect kMeterLeft{330, 53, 100, 20};
inline constexpr Rect kMeterRight{330, 95, 100, 20};
inline constexpr int kWellMargin = 2;

// BK-LP.bmp: the panel takes the size of the bitmap, which ends below the tag card rather
// than at the template's full height.
inline constexpr skin::Background kBackground{"BK-LP.bmp", kTagGroup.right() + 16,
                                              kTagGroup.bottom() + 14, 30};

} // namespace vorlane::panel
