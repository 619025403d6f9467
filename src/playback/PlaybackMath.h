#pragma once

namespace vorlane {

// The arithmetic of the recordings browser and its playback graph, free of any window:
// slider geometry in client pixels, volumes, speeds and pages.
namespace PlaybackMath {

inline constexpr int kRowsPerPage = 10;

// Pages needed for `records` rows of ten.
int PageCount(int records);

// The speed steps of the Speed button: the text it shows and the rate it plays at.
inline constexpr int kSpeedCount = 5;
const char* SpeedText(int speedIndex);
double SpeedRate(int speedIndex);

// The position track: 0..1000 thousandths of the file from a click at x (clamped to the
// track), and the left edge of its thumb.
int PositionFromX(int x);
int PositionThumbX(int position);
// The volume track: 0..100 from a click at x (clamped), and the left edge of its thumb.
int VolumeFromX(int x);
int VolumeThumbX(int volume);
// "PlayVolume" 0..100 as the graph's hundredths of a decibel (-5000..0).
long GraphVolume(int playVolume);

// Hundredths of a decibel to GStreamer's linear volume and back; -10000 and below is
// silence.
double LinearVolume(long hundredthsDb);
long HundredthsDb(double linear);

} // namespace PlaybackMath

} // namespace vorlane
