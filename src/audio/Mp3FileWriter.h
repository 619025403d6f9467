#pragma once

#include "audio/LameLibrary.h"
#include "audio/RecordOutput.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vorlane {

// Encodes PCM blocks into an MP3 file with LAME: constant bit rate from the bit-rate
// index, joint stereo (mono for one channel), quality 5, MPEG-1 at the input rate, the
// original bit set, no bit reservoir, and the Info (Xing) frame at the start of the file.
// The library is loaded by open() and unloaded by close(). The file starts with an empty
// ID3v2.4 tag of kTagRoomBytes (all padding), which the tagger fills in place once the
// file is complete, so that the sound never has to move.
//
// PCM is buffered and encoded in chunks of one MP3 frame (1,152 samples per channel);
// what is left at the close is encoded too, so the file holds every sample it was given.
// A failed encode or write ends the output: nothing more is fed to the encoder, the file
// keeps the whole frames written before, and error() says why.
//
// Thread contract: as RecordOutput (open on the controlling thread, the rest on the thread
// that owns the recording's outputs).
class Mp3FileWriter : public RecordOutput {
public:
    // PCM waiting to be encoded; 16 capture blocks fit, so a block never has to wait.
    static constexpr uint32_t kInputBufferBytes = 352768;
    // The room kept for the ID3v2 tag in front of the sound, its 10-byte header included.
    static constexpr uint32_t kTagRoomBytes = 4096;
    // The empty ID3v2.4 tag that keeps that room.
    static void BuildTagRoom(uint8_t out[kTagRoomBytes]);

    explicit Mp3FileWriter(int bitRateIndex = 2,
                           std::string libraryName = LameLibrary::DefaultName());
    ~Mp3FileWriter() override;

    bool open(const std::string& fileName, const WaveFormat& format) override;
    bool writeBlock(const uint8_t* data, uint32_t bytes) override;
    bool close() override;
    bool isOpen() const override { return fd_ >= 0; }
    int syncFd() const override { return fd_; }
    double keptSeconds() const override { return keptSeconds_; }

    int BitRateKbps() const { return kbps_; }
    // Bytes of PCM in one encoded chunk (4,608 for 16-bit stereo) and bytes waiting.
    uint32_t ChunkBytes() const { return chunkBytes_; }
    uint32_t BufferedBytes() const { return filled_; }
    bool LibraryLoaded() const { return lame_.IsLoaded(); }

private:
    bool configure(const WaveFormat& format);
    bool roomForFirstFrame();
    double averageFrameBytes() const;
    bool encode(const uint8_t* pcm, uint32_t bytes);
    bool store(const uint8_t* data, size_t n);
    bool finish();
    void release();

    int kbps_;
    LameLibrary lame_;
    lame_global_flags* gfp_ = nullptr;
    int fd_ = -1;
    WaveFormat format_;
    std::unique_ptr<uint8_t[]> input_;
    std::unique_ptr<uint8_t[]> output_;
    size_t outputBytes_ = 0;
    uint32_t chunkBytes_ = 0;
    uint32_t filled_ = 0;
    uint64_t fileBytes_ = 0;
    bool stopped_ = false; // an encode or write failed: feed nothing more
    double keptSeconds_ = -1;
};

} // namespace vorlane
