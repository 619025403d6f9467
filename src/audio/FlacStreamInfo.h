#pragma once

#include <cstdint>

namespace vorlane {

// The fields of a FLAC file's STREAMINFO block that a file cut short by a crash or a full
// disk needs put right. libFLAC always writes STREAMINFO first, right after "fLaC".
class FlacStreamInfo {
public:
    // Where the block's 34 bytes start in the file.
    static constexpr int64_t kAt = 8;
    static constexpr int kBytes = 34;

    // Reads the block; false when the file does not start with "fLaC" and a STREAMINFO
    // block.
    static bool Read(int fd, uint8_t out[kBytes]);
    static uint64_t TotalSamples(const uint8_t info[kBytes]);
    static uint32_t SampleRate(const uint8_t info[kBytes]);
    // States `samples` (per channel) and an unknown MD5 signature (all zero), which is the
    // truth for a file whose sound was never seen whole. 0 or a negative errno.
    static int WriteTotalSamplesAndNoSignature(int fd, uint64_t samples);
};

} // namespace vorlane
