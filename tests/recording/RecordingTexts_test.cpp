#include "recording/RecordingTexts.h"

#include <gtest/gtest.h>

using namespace vorlane;

TEST(RecordingTexts, FileNames) {
    const LocalTime t{2026, 3, 5, 14, 7, 9};
    struct Case {
        int no, track;
        std::string suffix;
        int type;
        const char* name;
        FileType writerType;
    } cases[] = {
        {7, 12, "", 0, "No.07-Track012_20260305-140709.wav", FileType::Wav},
        {123, 1, "", 1, "No.123-Track001_20260305-140709.mp3", FileType::Mp3},
        {1, 1, "FM 98.1", 2, "No.01-Track001_20260305-140709_FM 98.1.wma", FileType::Wma},
        {0, 1000, "", 9, "No.00-Track1000_20260305-140709.mp3", FileType::Mp3},
        {2, 4, "", 3, "No.02-Track004_20260305-140709.flac", FileType::Flac},
        {2, 4, "", 4, "No.02-Track004_20260305-140709.mp3", FileType::Mp3},
        {1, 1, "../../etc/x", 0, "No.01-Track001_20260305-140709_.._.._etc_x.wav", FileType::Wav},
        {1, 1, "a\tb\nc", 1, "No.01-Track001_20260305-140709_a_b_c.mp3", FileType::Mp3},
    };
    for (const Case& c : cases) {
        RecordFileName n = RecordingTexts::MakeRecordFileName(c.no, c.track, t, c.suffix, c.type);
        EXPECT_EQ(n.fileName, c.name);
        EXPECT_EQ(n.fileType, c.writerType) << c.name;
        EXPECT_EQ(n.startTimeText, "2026-03-05 14:07:09");
    }
    EXPECT_EQ(RecordingTexts::StartTimeText({2026, 12, 31, 0, 0, 0}), "2026-12-31 00:00:00");
}

TEST(RecordingTexts, DurationsRoundToTheNearestSecond) {
    struct Case {
        uint32_t ms;
        const char* text;
    } cases[] = {
        {0, "00:00:00"},        {499, "00:00:00"},        {500, "00:00:01"},
        {59500, "00:01:00"},    {59499, "00:00:59"},      {3725200, "01:02:05"},
        {86399999, "24:00:00"}, {360000000, "100:00:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RecordingTexts::DurationText(RecordingTexts::RoundedSeconds(c.ms)), c.text)
            << c.ms;
}
