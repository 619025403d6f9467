#include "audio/EncoderMath.h"

#include <gtest/gtest.h>

using namespace vorlane;

TEST(EncoderMath, SampleTimeStepRoundsToTheNearestUnit) {
    struct Case {
        uint32_t bytes, rate;
        int64_t step;
    } cases[] = {
        {22048, 176400, 1'249'887}, // 1,249,886.6
        {11024, 176400, 624'943},   // 624,943.3
        {176400, 176400, 10'000'000},
        {4, 176400, 227}, // 226.76
        {1, 200, 50'000},
        {3, 20'000'000, 2}, // 1.5 rounds up
        {0, 176400, 0},
        {22048, 0, 0},                            // no rate: no time
        {0xFFFFFFFFu, 1, 42'949'672'950'000'000}, // no overflow
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncoderMath::SampleTimeStep(c.bytes, c.rate), c.step) << c.bytes << " " << c.rate;
}
