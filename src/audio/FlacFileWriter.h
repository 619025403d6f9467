#pragma once

#include "audio/RecordOutput.h"

#include <FLAC/stream_encoder.h>

#include <cstdint>
#include <memory>
#include <string>

namespace vorlane {

// Encodes PCM blocks losslessly into a FLAC file with libFLAC's stream encoder:
// compression level 5, the MD5 signature of the sound in STREAMINFO, an empty Vorbis
// comment and kPaddingBytes of padding, so that the tagger fills them in place without
// moving the sound.
//
// Frames are written as libFLAC completes them (4,096 samples each); at the close the
// encoder writes the last frame and puts the sample count and the signature into
// STREAMINFO. A write that fails ends the output: the file is cut back to its last whole
// frame, STREAMINFO gets the count of the samples it holds (the signature stays unknown),
// and error() says why.
//
// Thread contract: as RecordOutput. writeBlock allocates nothing once the first block has
// been encoded.
class FlacFileWriter : public RecordOutput {
public:
    static constexpr uint32_t kCompressionLevel = 5;
    static constexpr uint32_t kPaddingBytes = 4096;

    FlacFileWriter();
    ~FlacFileWriter() override;

    bool open(const std::string& fileName, const WaveFormat& format) override;
    bool writeBlock(const uint8_t* data, uint32_t bytes) override;
    bool close() override;
    bool isOpen() const override { return fd_ >= 0; }
    int syncFd() const override { return fd_; }
    // The sound of the whole frames on disk, also after a close or a failed write.
    double keptSeconds() const override {
        return format_.samplesPerSec ? static_cast<double>(frameSamples_) / format_.samplesPerSec
                                     : 0;
    }

    // Bytes written to the file so far and the samples (per channel) of its whole frames.
    uint64_t FileBytes() const { return fileBytes_; }
    uint64_t FrameSamples() const { return frameSamples_; }

private:
    static constexpr uint32_t kChunkFrames = 4096;

    bool failEncoder(const char* what);
    void release();
    int store(const uint8_t* data, size_t n, uint32_t samples);

    struct Callbacks;

    FLAC__StreamEncoder* encoder_ = nullptr;
    FLAC__StreamMetadata* metadata_[2] = {nullptr, nullptr};
    std::unique_ptr<int32_t[]> wide_; // one chunk as libFLAC takes it
    int fd_ = -1;
    WaveFormat format_;
    uint64_t position_ = 0;  // where libFLAC writes next
    uint64_t fileBytes_ = 0; // the end of what it wrote
    uint64_t frameSamples_ = 0;
    int writeError_ = 0; // errno of a failed write in the callback
    bool stopped_ = false;
};

} // namespace vorlane
