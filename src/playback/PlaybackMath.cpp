#include "playback/PlaybackMath.h"

#include <algorithm>
#include <cmath>

namespace vorlane::PlaybackMath {

namespace {

struct Speed {
    const char* text;
    double rate;
};
constexpr Speed kSpeeds[kSpeedCount] = {
    {"x1", 1.0}, {"x1.2", 1.2}, {"x1.5", 1.5}, {"x0.5", 0.5}, {"x0.8", 0.8}};

// The tracks' ends where the thumb's left edge can go.
constexpr int kPositionLeft = 30, kPositionRight = 280, kPositionSpan = 250;
constexpr int kVolumeLeft = 82, kVolumeRight = 140, kVolumeSpan = 58;
constexpr long kSilentHundredthsDb = -10000;

const Speed& speed(int index) {
    return kSpeeds[index >= 0 && index < kSpeedCount ? index : 0];
}

} // namespace

int PageCount(int records) {
    return records <= 0 ? 0 : (records + kRowsPerPage - 1) / kRowsPerPage;
}

const char* SpeedText(int speedIndex) {
    return speed(speedIndex).text;
}

double SpeedRate(int speedIndex) {
    return speed(speedIndex).rate;
}

int PositionFromX(int x) {
    x = std::clamp(x, kPositionLeft, kPositionRight);
    return int(double(x - kPositionLeft) / kPositionSpan * 1000);
}

int PositionThumbX(int position) {
    return int(double(std::clamp(position, 0, 1000)) / 1000 * kPositionSpan + kPositionLeft);
}

int VolumeFromX(int x) {
    x = std::clamp(x, kVolumeLeft, kVolumeRight);
    return std::clamp(int(double(x - kVolumeLeft) / kVolumeSpan * 100), 0, 100);
}

int VolumeThumbX(int volume) {
    return int(double(std::clamp(volume, 0, 100)) / 100 * kVolumeSpan + kVolumeLeft) - 5;
}

long GraphVolume(int playVolume) {
    return long(std::clamp(playVolume, 0, 100)) * 50 - 5000;
}

double LinearVolume(long hundredthsDb) {
    if (hundredthsDb <= kSilentHundredthsDb)
        return 0.0;
    return std::pow(10.0, double(std::min(hundredthsDb, 0L)) / 2000.0);
}

long HundredthsDb(double linear) {
    if (!(linear > 0))
        return kSilentHundredthsDb;
    return std::max(kSilentHundredthsDb, std::lround(2000.0 * std::log10(linear)));
}

} // namespace vorlane::PlaybackMath
