#pragma once

#include "audio/RecordOutput.h"

#include <cstdint>
#include <string>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

namespace vorlane {

// Writes PCM blocks into a Windows Media Audio file: FFmpeg's wmav2 encoder at the chosen
// bit rate, with the input's rate and channel count, in an ASF file whose packets hold
// about half a second of sound each (PacketBytes). Every block is one timed input: the sample
// time advances by the block's duration in 100-ns units (1,249,887 for a 22,048-byte
// block). The encoder takes frames of 2,048 samples; the last one is completed with silence
// when the file is closed.
//
// Packets go to the file as they are made. A failed encode or write ends the output:
// nothing more is fed, the file is closed holding its whole packets with a header that
// states them (RecordFileRepair), and error() says why.
//
// Thread contract: as RecordOutput (OpenWma/open on the controlling thread, the rest on
// the thread that owns the recording's outputs). FFmpeg allocates the encoded packets
// itself; nothing else is allocated per block.
class CWmvWriter : public RecordOutput {
public:
    static constexpr int kFrameSamples = 2048;
    static constexpr int kMinPacketBytes = 3200;
    static constexpr int kMaxPacketBytes = 32768;

    // The packet size for a bit rate: about half a second of sound, so that a crash loses
    // little more than that on top of the blocks a division on silence holds back, within
    // the bounds where the packets' overhead stays small.
    static int PacketBytes(int bitRateKbps);

    explicit CWmvWriter(int bitRateKbps = 128);
    virtual ~CWmvWriter() override;
    CWmvWriter(const CWmvWriter&) = delete;
    CWmvWriter& operator=(const CWmvWriter&) = delete;

    // Creates the file for 16-bit PCM blocks of `inputFormat` at `bitRateKbps`. When the
    // encoder refuses the format or the bit rate, false is returned before anything
    // touches the disk; an existing file of that name is replaced only once the encoder
    // has accepted.
    bool OpenWma(const std::string& fileName, const WaveFormat& inputFormat, int bitRateKbps);
    // Encodes one block. 0, or a negative error code (FFmpeg's, errno-based where it can).
    int WriteWma(const uint8_t* block, uint32_t length);
    // Completes and closes the file; false when it could not be completed.
    bool CloseWma();

    // Presentation time of the next block, in 100-ns units from the start of the file.
    int64_t SampleTime() const { return sampleTime_; }
    int BitRateKbps() const { return bitRate_; }

    bool open(const std::string& fileName, const WaveFormat& format) override;
    bool writeBlock(const uint8_t* data, uint32_t bytes) override;
    bool close() override { return CloseWma(); }
    bool isOpen() const override { return format_ != nullptr; }
    int syncFd() const override { return syncFd_; }
    double keptSeconds() const override { return keptSeconds_; }

protected:
    std::string describe(int code) const override;

private:
    int failWith(int code, const std::string& what);
    bool refuse(int code, const std::string& what);
    int sendFrame();
    int syncData();
    int drain();
    void release();

    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVStream* stream_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    WaveFormat input_;
    int syncFd_ = -1;
    int64_t sampleTime_ = 0;
    int64_t samplesSent_ = 0;
    int frameSize_ = kFrameSamples;
    int fill_ = 0; // samples waiting in frame_
    int bitRate_;
    bool stopped_ = false;
    double keptSeconds_ = -1;
};

} // namespace vorlane
