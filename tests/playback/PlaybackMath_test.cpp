#include "playback/PlaybackMath.h"

#include <gtest/gtest.h>

namespace vorlane::test {
namespace {

namespace M = PlaybackMath;

TEST(PlaybackMath, TracksMapPixelsToPositionAndVolume) {
    struct Case {
        int x, position, volume;
    };
    // Clicks beyond a track's ends count as its ends.
    const Case cases[] = {{0, 0, 0},        {30, 0, 0},       {155, 500, 100},
                          {280, 1000, 100}, {290, 1000, 100}, {82, 208, 0},
                          {111, 324, 50},   {140, 440, 100},  {96, 264, 24}};
    for (const Case& c : cases) {
        EXPECT_EQ(M::PositionFromX(c.x), c.position) << "x " << c.x;
        EXPECT_EQ(M::VolumeFromX(c.x), c.volume) << "x " << c.x;
    }
    // Thumb left edges: the position thumb runs 30..280, the volume thumb 77..135.
    EXPECT_EQ(M::PositionThumbX(5000), 280);
    EXPECT_EQ(M::VolumeThumbX(80), 123);
}

TEST(PlaybackMath, VolumesInHundredthsOfADecibel) {
    EXPECT_EQ(M::GraphVolume(0), -5000);
    EXPECT_EQ(M::GraphVolume(100), 0);
    EXPECT_EQ(M::GraphVolume(250), 0);
    EXPECT_NEAR(M::LinearVolume(-2000), 0.1, 1e-12);
    EXPECT_EQ(M::LinearVolume(-10000), 0.0);
    EXPECT_EQ(M::LinearVolume(300), 1.0); // never louder than the file
    for (long db : {0L, -1L, -600L, -2500L, -5000L, -9999L, -10000L})
        EXPECT_EQ(M::HundredthsDb(M::LinearVolume(db)), db) << db;
}

} // namespace
} // namespace vorlane::test
