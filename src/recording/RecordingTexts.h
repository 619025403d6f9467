#pragma once

#include "audio/FileType.h"
#include "platform/Clock.h"

#include <cstdint>
#include <string>

namespace vorlane {

// The name of a new recording file and what goes with it.
struct RecordFileName {
    std::string fileName;      // name and extension, without a folder
    std::string startTimeText; // "yyyy-MM-dd HH:mm:ss", as the catalogue stores it
    FileType fileType = FileType::Wav;
};

// The texts of recordings: file names, start times and durations. Pure functions.
class RecordingTexts {
public:
    // "No.07-Track012_20260305-140709[_suffix].wav": the record number with at least two
    // digits, the track with at least three, the local time, the task's suffix when not
    // empty, and the extension of the stored file type (FileTypeFromSetting).
    static RecordFileName MakeRecordFileName(int recordNo, int recordTrack, const LocalTime& t,
                                             const std::string& suffix, int recordFileType);
    // "2026-03-05 14:07:09".
    static std::string StartTimeText(const LocalTime& t);
    // Whole seconds of a file's length: half a second and more rounds up.
    static int RoundedSeconds(uint32_t milliseconds);
    // "hh:mm:ss"; the hours grow past two digits rather than wrap.
    static std::string DurationText(int seconds);
    // A task's suffix as it may appear in a file name: a '/' would lead into another
    // folder and control characters have no place in a name, so both become '_'.
    static std::string SafeSuffix(const std::string& suffix);
    // Beside the time while recording: "dropouts: 3".
    static std::string DropoutText(uint32_t dropouts);
    // At the stop of a recording that lost sound.
    static std::string DropoutReport(uint32_t dropouts);
};

} // namespace vorlane
