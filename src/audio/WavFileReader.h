#pragma once

#include "audio/WaveFormat.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorlane {

// Where the samples of a WAV file are.
struct WavLayout {
    WaveFormat format;
    uint64_t dataOffset = 0;
    uint64_t dataBytes = 0; // whole frames only, cut to what the file really holds
};

// Reads the samples of a PCM WAV file, for a file that stands in for a sound card.
class WavFileReader {
public:
    WavFileReader() = default;
    ~WavFileReader();
    WavFileReader(const WavFileReader&) = delete;
    WavFileReader& operator=(const WavFileReader&) = delete;

    // Opens the file and reads its header; false with errorText() when it is no usable
    // PCM WAV file.
    bool open(const std::string& path);
    void close();
    const WavLayout& layout() const { return layout_; }
    const std::string& errorText() const { return error_; }

    // Reads up to n bytes of sample data from data position pos. Returns the bytes read,
    // 0 at the end of the data, or a negative errno.
    long readAt(uint8_t* dst, size_t n, uint64_t pos) const;

    // Parses a RIFF WAVE header from the first n bytes of a file of fileSize bytes.
    // Returns an empty string on success, else what is wrong with the file.
    static std::string ParseHeader(const uint8_t* bytes, size_t n, uint64_t fileSize,
                                   WavLayout& out);

private:
    int fd_ = -1;
    WavLayout layout_;
    std::string error_;
};

} // namespace vorlane
