#pragma once

#include "audio/RecordOutput.h"

#include <cstdint>

namespace vorlane {

// Writes PCM blocks into a RIFF WAVE file: an 18-byte "fmt " chunk (the whole wave format
// record), so that the samples start at offset 46.
//
// The header always holds true sizes: they are written at the start, again whenever up to
// `refreshSeconds` of sound have been appended, and at the close, so a crash leaves a
// playable file that lacks at most those seconds. The data is forced to disk every
// kSyncSeconds here, unless a sync worker does it (setExternalSync).
// A file cannot grow past the 4 GiB that RIFF sizes can express.
//
// Thread contract: as RecordOutput.
class WavFileWriter : public RecordOutput {
public:
    static constexpr uint32_t kHeaderBytes = 46;
    // RIFF size (data + 38) must fit in 32 bits.
    static constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderBytes - 8);

    explicit WavFileWriter(uint32_t refreshSeconds = 1);
    ~WavFileWriter() override;

    bool open(const std::string& fileName, const WaveFormat& format) override;
    bool writeBlock(const uint8_t* data, uint32_t bytes) override;
    bool close() override;
    bool isOpen() const override { return fd_ >= 0; }
    int syncFd() const override { return fd_; }

    uint64_t dataBytes() const { return dataBytes_; }
    double keptSeconds() const override;

    // The 46 header bytes for a data chunk of dataBytes bytes.
    static void BuildHeader(const WaveFormat& format, uint32_t dataBytes,
                            uint8_t out[kHeaderBytes]);

private:
    bool writeSizes(uint32_t dataBytes);

    uint32_t refreshSeconds_;
    int fd_ = -1;
    WaveFormat format_;
    uint64_t dataBytes_ = 0;
    uint64_t headerDataBytes_ = 0; // data size that the header on disk states
    uint64_t refreshBytes_ = 0;
    uint64_t syncedDataBytes_ = 0; // data size when last forced to disk
};

} // namespace vorlane
