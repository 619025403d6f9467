#include "recording/RecordingTexts.h"

#include <cstdio>

namespace vorlane {

RecordFileName RecordingTexts::MakeRecordFileName(int recordNo, int recordTrack, const LocalTime& t,
                                                  const std::string& suffix, int recordFileType) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "No.%.2d-Track%.3d_%.4d%.2d%.2d-%.2d%.2d%.2d", recordNo,
                  recordTrack, t.year, t.month, t.day, t.hour, t.minute, t.second);
    RecordFileName out;
    out.fileName = buf;
    if (!suffix.empty())
        out.fileName += "_" + SafeSuffix(suffix);
    out.fileType = FileTypeFromSetting(recordFileType);
    out.fileName += FileTypeExtension(out.fileType);
    out.startTimeText = StartTimeText(t);
    return out;
}

std::string RecordingTexts::StartTimeText(const LocalTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2d-%.2d-%.2d %.2d:%.2d:%.2d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
}

int RecordingTexts::RoundedSeconds(uint32_t milliseconds) {
    return static_cast<int>(milliseconds / 1000 + (milliseconds % 1000 >= 500 ? 1 : 0));
}

std::string RecordingTexts::DurationText(int seconds) {
    if (seconds < 0)
        seconds = 0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2d:%.2d:%.2d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return buf;
}

std::string RecordingTexts::SafeSuffix(const std::string& suffix) {
    std::string out = suffix;
    for (char& c : out) {
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '_';
    }
    return out;
}

std::string RecordingTexts::DropoutText(uint32_t dropouts) {
    return "dropouts: " + std::to_string(dropouts);
}

std::string RecordingTexts::DropoutReport(uint32_t dropouts) {
    return "The sound input lost sound " + std::to_string(dropouts) +
           (dropouts == 1 ? " time" : " times") +
           " during this recording (the computer did not keep up); the files have gaps there.";
}

} // namespace vorlane
