// open runs on the controlling thread; writeBlock and close on the capture thread, which
// they must not hold up: no allocation and no lock per block.
#include "audio/Mp3FileWriter.h"

#include "audio/FileIo.h"

#include "audio/EncoderMath.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

namespace vorlane {

Mp3FileWriter::Mp3FileWriter(int bitRateIndex, std::string libraryName)
    : kbps_(EncoderMath::BitRateKbps(bitRateIndex)), lame_(std::move(libraryName)) {}

Mp3FileWriter::~Mp3FileWriter() {
    close();
}

bool Mp3FileWriter::configure(const WaveFormat& format) {
    gfp_ = lame_.init();
    if (!gfp_)
        return fail(-ENOMEM, "the MP3 encoder cannot start");
    const bool mono = format.channels == 1;
    int bad = 0;
    bad |= lame_.setInSamplerate(gfp_, static_cast<int>(format.samplesPerSec));
    // MPEG-1 keeps the input rate; left to itself LAME would resample the low bit rates
    // to MPEG-2 rates.
    bad |= lame_.setOutSamplerate(gfp_, static_cast<int>(format.samplesPerSec));
    bad |= lame_.setNumChannels(gfp_, format.channels);
    bad |= lame_.setMode(gfp_, mono ? MONO : JOINT_STEREO);
    bad |= lame_.setVbr(gfp_, vbr_off);
    bad |= lame_.setBrate(gfp_, kbps_);
    bad |= lame_.setQuality(gfp_, 5);
    bad |= lame_.setEmphasis(gfp_, 0);
    bad |= lame_.setExtension(gfp_, 0);
    bad |= lame_.setErrorProtection(gfp_, 0);
    bad |= lame_.setCopyright(gfp_, 0);
    bad |= lame_.setOriginal(gfp_, 1);
    bad |= lame_.setWriteVbrTag(gfp_, 1);
    bad |= lame_.setDisableReservoir(gfp_, 1);
    bad |= lame_.setStrictIso(gfp_, 0);
    // The tagger appends the ID3v1 tag once the file is complete.
    lame_.setWriteId3tagAutomatic(gfp_, 0);
    if (bad != 0 || lame_.initParams(gfp_) < 0)
        return fail(-EINVAL, "the MP3 encoder refused " + std::to_string(kbps_) + " kbit/s at " +
                                 std::to_string(format.samplesPerSec) + " Hz, " +
                                 std::to_string(format.channels) + " channel(s)");
    const int frame = lame_.getFramesize(gfp_);
    if (frame <= 0)
        return fail(-EINVAL, "the MP3 encoder gave no frame size");
    chunkBytes_ = static_cast<uint32_t>(frame) * format.blockAlign;
    outputBytes_ = EncoderMath::Mp3OutputBytes(frame);
    return true;
}

void Mp3FileWriter::BuildTagRoom(uint8_t out[kTagRoomBytes]) {
    std::memset(out, 0, kTagRoomBytes);
    std::memcpy(out, "ID3\x04\x00\x00", 6);   // version 2.4.0, no flags
    const uint32_t size = kTagRoomBytes - 10; // sync-safe: 7 bits a byte
    for (int i = 0; i < 4; ++i)
        out[9 - i] = static_cast<uint8_t>((size >> (7 * i)) & 0x7F);
}

bool Mp3FileWriter::open(const std::string& fileName, const WaveFormat& format) {
    if (fd_ >= 0)
        return true;
    release();
    begin(fileName);
    format_ = format;
    filled_ = 0;
    fileBytes_ = 0;
    resetSyncCount();
    stopped_ = false;
    keptSeconds_ = -1;
    if (format.formatTag != 1 || format.bitsPerSample != 16 || format.channels < 1 ||
        format.channels > 2)
        return fail(-EINVAL, "MP3 recording needs 16-bit PCM with one or two channels");
    if (!lame_.Load())
        return fail(lame_.Error(), lame_.ErrorText());
    // Everything that can fail without a file is done before the old file is replaced.
    if (!configure(format)) {
        release();
        return false;
    }
    input_.reset(new (std::nothrow) uint8_t[kInputBufferBytes]);
    output_.reset(new (std::nothrow) uint8_t[outputBytes_]);
    if (!input_ || !output_) {
        release();
        return fail(-ENOMEM, "no memory for the MP3 buffers");
    }
    // Read and write, so that the Info frame can be put back over its place holder.
    if ((fd_ = replaceFile()) < 0) {
        release();
        return false;
    }
    uint8_t room[kTagRoomBytes];
    BuildTagRoom(room);
    if (!store(room, sizeof room)) {
        ::close(fd_);
        ::unlink(fileName.c_str());
        fd_ = -1;
        release();
        return false;
    }
    if (!roomForFirstFrame()) {
        ::close(fd_);
        fd_ = -1;
        ::unlink(fileName.c_str());
        release();
        return false;
    }
    return true;
}

// Constant bit rate: a frame's bytes, some frames one more for padding.
double Mp3FileWriter::averageFrameBytes() const {
    return static_cast<double>(chunkBytes_) / format_.avgBytesPerSec * kbps_ * 1000 / 8;
}

// Nothing is written until the encoder has a frame; a disk without room must refuse the
// recording now, before it starts. The room of one frame is tried and given back.
bool Mp3FileWriter::roomForFirstFrame() {
    // With its padding byte.
    const size_t frameBytes =
        std::min(outputBytes_, static_cast<size_t>(std::ceil(averageFrameBytes())) + 1);
    std::memset(output_.get(), 0, frameBytes);
    if (FileIo::WriteAll(fd_, output_.get(), frameBytes) != frameBytes) {
        const int err = errno;
        return fail(-err, "cannot write");
    }
    const auto kept = static_cast<off_t>(fileBytes_);
    if (::ftruncate(fd_, kept) < 0 || ::lseek(fd_, kept, SEEK_SET) < 0)
        return fail(-errno, "cannot write");
    return true;
}

// Appends encoder output; on a short write the partial frame is cut off again, so the
// file ends on a whole frame.
bool Mp3FileWriter::store(const uint8_t* data, size_t n) {
    if (n == 0)
        return true;
    size_t done = FileIo::WriteAll(fd_, data, n);
    if (done == n) {
        fileBytes_ += n;
        return true;
    }
    int err = errno;
    stopped_ = true;
    if (done > 0 && ::ftruncate(fd_, static_cast<off_t>(fileBytes_)) == 0)
        ::lseek(fd_, static_cast<off_t>(fileBytes_), SEEK_SET);
    return fail(-err, "cannot write");
}

bool Mp3FileWriter::encode(const uint8_t* pcm, uint32_t bytes) {
    const int samples = static_cast<int>(bytes / format_.blockAlign);
    const auto* s = reinterpret_cast<const short*>(pcm);
    const int room = static_cast<int>(outputBytes_);
    int n = format_.channels == 2 ? lame_.encodeBufferInterleaved(gfp_, const_cast<short*>(s),
                                                                  samples, output_.get(), room)
                                  : lame_.encodeBuffer(gfp_, s, s, samples, output_.get(), room);
    if (n < 0) {
        stopped_ = true;
        return fail(-EIO, "the MP3 encoder failed (" + std::to_string(n) + ")");
    }
    return store(output_.get(), static_cast<size_t>(n));
}

bool Mp3FileWriter::writeBlock(const uint8_t* data, uint32_t bytes) {
    if (fd_ < 0 || stopped_)
        return false;
    uint32_t taken = 0;
    while (taken < bytes) {
        uint32_t n = std::min(kInputBufferBytes - filled_, bytes - taken);
        std::memcpy(input_.get() + filled_, data + taken, n);
        filled_ += n;
        taken += n;
        // A whole chunk stays buffered until more arrives.
        uint32_t at = 0;
        while (filled_ - at > chunkBytes_) {
            if (!encode(input_.get() + at, chunkBytes_))
                return false;
            at += chunkBytes_;
        }
        if (at > 0) {
            std::memmove(input_.get(), input_.get() + at, filled_ - at);
            filled_ -= at;
        }
    }
    if (syncDue(bytes, format_.avgBytesPerSec)) {
        if (int err = FileIo::SyncData(fd_); err < 0) {
            stopped_ = true;
            return fail(err, "cannot write to disk");
        }
    }
    return true;
}

// Encodes what is still buffered, flushes the encoder, and puts the Info frame over the
// place holder that LAME wrote at the start, while the encoder still holds its counts.
bool Mp3FileWriter::finish() {
    if (filled_ > 0) {
        uint32_t whole = filled_ - filled_ % format_.blockAlign;
        filled_ = 0;
        if (whole > 0 && !encode(input_.get(), whole))
            return false;
    }
    int n = lame_.encodeFlush(gfp_, output_.get(), static_cast<int>(outputBytes_));
    if (n < 0) {
        stopped_ = true;
        return fail(-EIO, "the MP3 encoder could not be flushed (" + std::to_string(n) + ")");
    }
    if (!store(output_.get(), static_cast<size_t>(n)))
        return false;
    // LAME's first frame, right after the tag room, is the Info frame's place holder.
    size_t tag = lame_.getLametagFrame(gfp_, output_.get(), outputBytes_);
    if (tag > outputBytes_ || tag > fileBytes_ - kTagRoomBytes)
        return fail(-EIO, "the MP3 Info frame does not fit its place");
    if (tag > 0 && FileIo::WriteAll(fd_, output_.get(), tag, kTagRoomBytes) != tag)
        return fail(-errno, "cannot write the Info frame");
    return true;
}

bool Mp3FileWriter::close() {
    if (fd_ < 0) {
        release();
        return true;
    }
    if (stopped_) {
        // Constant bit rate: the file is whole frames, the first of them the Info frame.
        const double audioBytes =
            fileBytes_ > kTagRoomBytes ? static_cast<double>(fileBytes_ - kTagRoomBytes) : 0;
        const double frames = std::max(0.0, std::round(audioBytes / averageFrameBytes()) - 1);
        keptSeconds_ = frames * chunkBytes_ / format_.avgBytesPerSec;
    }
    bool ok = stopped_ || finish();
    if (int err = FileIo::SyncData(fd_); err < 0)
        ok = fail(err, "cannot write to disk");
    if (::close(fd_) < 0 && ok)
        ok = fail(-errno, "cannot close the file");
    fd_ = -1;
    release();
    return ok;
}

void Mp3FileWriter::release() {
    if (gfp_ && lame_.close)
        lame_.close(gfp_);
    gfp_ = nullptr;
    input_.reset();
    output_.reset();
    filled_ = 0;
    lame_.Unload();
}

} // namespace vorlane
