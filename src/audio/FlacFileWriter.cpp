// open runs on the controlling thread; writeBlock and close on the capture thread, which
// they must not hold up: no allocation and no lock per block.
#include "audio/FlacFileWriter.h"

#include "audio/FileIo.h"
#include "audio/FlacStreamInfo.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vorlane {

// libFLAC writes through these, so that the writer counts what reaches the file and can
// take a partial frame back.
struct FlacFileWriter::Callbacks {
    static FLAC__StreamEncoderWriteStatus write(const FLAC__StreamEncoder*, const FLAC__byte data[],
                                                size_t bytes, uint32_t samples, uint32_t,
                                                void* self) {
        return static_cast<FlacFileWriter*>(self)->store(data, bytes, samples) == 0
                   ? FLAC__STREAM_ENCODER_WRITE_STATUS_OK
                   : FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
    }
    static FLAC__StreamEncoderSeekStatus seek(const FLAC__StreamEncoder*, FLAC__uint64 to,
                                              void* self) {
        static_cast<FlacFileWriter*>(self)->position_ = to;
        return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
    }
    static FLAC__StreamEncoderTellStatus tell(const FLAC__StreamEncoder*, FLAC__uint64* at,
                                              void* self) {
        *at = static_cast<FlacFileWriter*>(self)->position_;
        return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
    }
};

FlacFileWriter::FlacFileWriter() = default;

FlacFileWriter::~FlacFileWriter() {
    close();
}

int FlacFileWriter::store(const uint8_t* data, size_t n, uint32_t samples) {
    const size_t done = FileIo::WriteAll(fd_, data, n, static_cast<off_t>(position_));
    if (done != n) {
        writeError_ = errno ? errno : EIO;
        // A frame cut short would read as damage: the file ends on the last whole one.
        if (position_ + done > fileBytes_)
            (void)::ftruncate(fd_, static_cast<off_t>(std::max(position_, fileBytes_)));
        return -writeError_;
    }
    position_ += n;
    fileBytes_ = std::max(fileBytes_, position_);
    frameSamples_ += samples;
    return 0;
}

bool FlacFileWriter::failEncoder(const char* what) {
    stopped_ = true;
    if (writeError_ != 0)
        return fail(-writeError_, what);
    const FLAC__StreamEncoderState state = FLAC__stream_encoder_get_state(encoder_);
    fail(-EIO, std::string(what) + " (" + FLAC__StreamEncoderStateString[state] + ")");
    return false;
}

bool FlacFileWriter::open(const std::string& fileName, const WaveFormat& format) {
    if (fd_ >= 0)
        return true;
    release();
    begin(fileName);
    format_ = format;
    position_ = fileBytes_ = frameSamples_ = 0;
    resetSyncCount();
    writeError_ = 0;
    stopped_ = false;
    if (format.formatTag != 1 || format.bitsPerSample != 16 || format.channels < 1 ||
        format.channels > 2 || format.samplesPerSec == 0)
        return fail(-EINVAL, "FLAC recording needs 16-bit PCM with one or two channels");
    // libFLAC always computes the MD5 signature. Everything that can fail without a file is done
    // before the old file is replaced.
    encoder_ = FLAC__stream_encoder_new();
    metadata_[0] = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
    metadata_[1] = FLAC__metadata_object_new(FLAC__METADATA_TYPE_PADDING);
    wide_.reset(new (std::nothrow) int32_t[kChunkFrames * format.channels]);
    if (!encoder_ || !metadata_[0] || !metadata_[1] || !wide_) {
        release();
        return fail(-ENOMEM, "the FLAC encoder cannot start");
    }
    metadata_[1]->length = kPaddingBytes;
    bool ok = FLAC__stream_encoder_set_channels(encoder_, format.channels) &&
              FLAC__stream_encoder_set_bits_per_sample(encoder_, format.bitsPerSample) &&
              FLAC__stream_encoder_set_sample_rate(encoder_, format.samplesPerSec) &&
              FLAC__stream_encoder_set_compression_level(encoder_, kCompressionLevel) &&
              FLAC__stream_encoder_set_verify(encoder_, false) &&
              FLAC__stream_encoder_set_metadata(encoder_, metadata_, 2);
    if (!ok) {
        release();
        return fail(-EINVAL, "the FLAC encoder refused " + std::to_string(format.samplesPerSec) +
                                 " Hz, " + std::to_string(format.channels) + " channel(s)");
    }
    if ((fd_ = replaceFile()) < 0) {
        release();
        return false;
    }
    const FLAC__StreamEncoderInitStatus init = FLAC__stream_encoder_init_stream(
        encoder_, Callbacks::write, Callbacks::seek, Callbacks::tell, nullptr, this);
    if (init != FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
        if (writeError_ != 0)
            fail(-writeError_, "cannot write the FLAC header");
        else
            fail(-EIO, std::string("the FLAC encoder cannot start (") +
                           FLAC__StreamEncoderInitStatusString[init] + ")");
        ::close(fd_);
        ::unlink(fileName.c_str());
        fd_ = -1;
        release();
        return false;
    }
    return true;
}

bool FlacFileWriter::writeBlock(const uint8_t* data, uint32_t bytes) {
    if (fd_ < 0 || stopped_)
        return false;
    const uint32_t frames = bytes / format_.blockAlign;
    const uint32_t channels = format_.channels;
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = std::min(kChunkFrames, frames - done);
        const uint8_t* p = data + static_cast<size_t>(done) * format_.blockAlign;
        for (uint32_t i = 0; i < n * channels; ++i) {
            int16_t s;
            std::memcpy(&s, p + 2 * i, 2);
            wide_[i] = s;
        }
        if (!FLAC__stream_encoder_process_interleaved(encoder_, wide_.get(), n))
            return failEncoder("cannot write");
        done += n;
    }
    if (syncDue(bytes, format_.avgBytesPerSec)) {
        if (int err = FileIo::SyncData(fd_); err < 0) {
            stopped_ = true;
            return fail(err, "cannot write to disk");
        }
    }
    return true;
}

bool FlacFileWriter::close() {
    if (fd_ < 0) {
        release();
        return true;
    }
    bool ok = !stopped_;
    // The last frame, then the sample count and the signature in STREAMINFO.
    if (ok && !FLAC__stream_encoder_finish(encoder_))
        ok = failEncoder("cannot complete the file");
    if (!ok) {
        // What is in the file is whole frames; STREAMINFO is made to say how many samples.
        if (fileBytes_ > 0 && ::ftruncate(fd_, static_cast<off_t>(fileBytes_)) < 0)
            fail(-errno, "cannot cut a partial frame");
        if (int err = FlacStreamInfo::WriteTotalSamplesAndNoSignature(fd_, frameSamples_); err < 0)
            fail(err, "cannot update the stream information");
    }
    if (int err = FileIo::SyncData(fd_); err < 0)
        ok = fail(err, "cannot write to disk");
    if (::close(fd_) < 0 && ok)
        ok = fail(-errno, "cannot close the file");
    fd_ = -1;
    release();
    return ok;
}

void FlacFileWriter::release() {
    if (encoder_) {
        // After a failure libFLAC only frees what it holds here.
        if (FLAC__stream_encoder_get_state(encoder_) == FLAC__STREAM_ENCODER_OK)
            FLAC__stream_encoder_finish(encoder_);
        FLAC__stream_encoder_delete(encoder_);
        encoder_ = nullptr;
    }
    for (auto*& m : metadata_) {
        if (m)
            FLAC__metadata_object_delete(m);
        m = nullptr;
    }
    wide_.reset();
}

} // namespace vorlane
