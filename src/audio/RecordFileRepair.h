#pragma once

#include <cstdint>
#include <string>

namespace vorlane {

// Makes a record file that a crash or a power cut left unfinished playable: a WAV file
// gets the sizes of the whole frames it holds; a WMA file is cut to its whole packets and
// its header gets their count, the file size and the duration; a FLAC file is cut after
// its last whole frame and STREAMINFO gets their sample count (the MD5 signature of sound
// never seen whole stays unknown); an MP3 file needs nothing
// (its frames stand alone; a piece of a frame at the end is dropped by decoders). Files
// that were finished are left as they are.
class RecordFileRepair {
public:
    struct Result {
        bool ok = false;
        double seconds = 0; // the sound the file holds
        std::string error;  // why it could not be repaired
    };

    // By the file name's extension (".wav", ".wma", ".flac", else MP3).
    static Result Repair(const std::string& path);
    // Seconds of sound that FFmpeg decodes from the file; negative when it cannot.
    static double DecodedSeconds(const std::string& path);

private:
    static Result RepairWav(const std::string& path);
    static Result RepairWma(const std::string& path);
    static Result RepairFlac(const std::string& path);
};

} // namespace vorlane
