// OpenWma runs on the controlling thread; WriteWma and CloseWma on the capture thread.
#include "audio/CWmvWriter.h"

#include "audio/EncoderMath.h"
#include "audio/FileIo.h"
#include "audio/RecordFileRepair.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vorlane {

CWmvWriter::CWmvWriter(int bitRateKbps) : bitRate_(bitRateKbps) {}

int CWmvWriter::PacketBytes(int bitRateKbps) {
    const int halfSecond = bitRateKbps * 1000 / 16;
    return std::clamp(halfSecond, kMinPacketBytes, kMaxPacketBytes);
}

CWmvWriter::~CWmvWriter() {
    CloseWma();
}

std::string CWmvWriter::describe(int code) const {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// For the steps that hand FFmpeg's code on: keeps the failure and returns the code.
int CWmvWriter::failWith(int code, const std::string& what) {
    fail(code, what);
    return code < 0 ? code : AVERROR(EIO);
}

bool CWmvWriter::open(const std::string& fileName, const WaveFormat& format) {
    return OpenWma(fileName, format, bitRate_);
}

bool CWmvWriter::refuse(int code, const std::string& what) {
    fail(code, what);
    release();
    return false;
}

bool CWmvWriter::OpenWma(const std::string& fileName, const WaveFormat& inputFormat,
                         int bitRateKbps) {
    if (format_)
        return true;
    release();
    bitRate_ = bitRateKbps;
    begin(fileName);
    input_ = inputFormat;
    sampleTime_ = samplesSent_ = 0;
    fill_ = 0;
    stopped_ = false;
    keptSeconds_ = -1;
    if (inputFormat.formatTag != 1 || inputFormat.bitsPerSample != 16 || inputFormat.channels < 1)
        return refuse(AVERROR(EINVAL), "WMA recording needs 16-bit PCM");

    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    if (!encoder)
        return refuse(AVERROR_ENCODER_NOT_FOUND, "no WMA encoder");
    codec_ = avcodec_alloc_context3(encoder);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    int err = avformat_alloc_output_context2(&format_, nullptr, "asf", fileName.c_str());
    if (!codec_ || !frame_ || !packet_ || err < 0)
        return refuse(err < 0 ? err : AVERROR(ENOMEM), "cannot set up the WMA writer");
    codec_->sample_fmt = AV_SAMPLE_FMT_FLTP;
    codec_->sample_rate = static_cast<int>(inputFormat.samplesPerSec);
    av_channel_layout_default(&codec_->ch_layout, inputFormat.channels);
    codec_->bit_rate = static_cast<int64_t>(bitRateKbps) * 1000;
    codec_->time_base = AVRational{1, codec_->sample_rate};
    if (format_->oformat->flags & AVFMT_GLOBALHEADER)
        codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // Refusals come from here (channels, rate, bit rate), before the disk is touched.
    if ((err = avcodec_open2(codec_, encoder, nullptr)) < 0)
        return refuse(err, "the WMA encoder refused " + std::to_string(bitRateKbps) +
                               " kbit/s at " + std::to_string(inputFormat.samplesPerSec) + " Hz, " +
                               std::to_string(inputFormat.channels) + " channel(s)");
    stream_ = avformat_new_stream(format_, nullptr);
    frameSize_ = codec_->frame_size > 0 ? codec_->frame_size : kFrameSamples;
    frame_->nb_samples = frameSize_;
    frame_->format = codec_->sample_fmt;
    if (!stream_ || av_channel_layout_copy(&frame_->ch_layout, &codec_->ch_layout) < 0 ||
        av_frame_get_buffer(frame_, 0) < 0 ||
        avcodec_parameters_from_context(stream_->codecpar, codec_) < 0)
        return refuse(AVERROR(ENOMEM), "cannot set up the WMA stream");
    stream_->time_base = codec_->time_base;

    // FFmpeg keeps its descriptor to itself; this one forces the file to disk.
    if ((syncFd_ = replaceFile()) < 0) {
        release();
        return false;
    }
    if ((err = avio_open(&format_->pb, fileName.c_str(), AVIO_FLAG_WRITE)) < 0) {
        refuse(err, "cannot open the file");
        ::unlink(fileName.c_str());
        return false;
    }
    AVDictionary* options = nullptr;
    // The default 3,200-byte packets carry so much overhead that a 320 kbit/s file takes
    // 550 kbit/s on disk; a fixed large packet would hold 8 s at 32 kbit/s, all of it
    // lost when the program is killed before the packet is full.
    av_dict_set_int(&options, "packet_size", PacketBytes(bitRateKbps), 0);
    err = avformat_write_header(format_, &options);
    av_dict_free(&options);
    // Written out now: a disk without room refuses the recording before it starts.
    if (err >= 0) {
        avio_flush(format_->pb);
        err = format_->pb->error;
    }
    if (err < 0) {
        refuse(err, "cannot write the WMA header");
        ::unlink(fileName.c_str());
        return false;
    }
    return true;
}

int CWmvWriter::drain() {
    for (;;) {
        int err = avcodec_receive_packet(codec_, packet_);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
            return 0;
        if (err < 0)
            return failWith(err, "the WMA encoder failed");
        av_packet_rescale_ts(packet_, codec_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        err = av_write_frame(format_, packet_);
        av_packet_unref(packet_);
        // Left alone, the output buffers the whole recording and writes it at the close;
        // pushed on, a full disk shows up as it happens and a crash loses little. The
        // muxer does not pass on a failed write: the output keeps it.
        if (err >= 0) {
            avio_flush(format_->pb);
            err = format_->pb->error;
        }
        if (err < 0)
            return failWith(err, "cannot write");
    }
}

int CWmvWriter::sendFrame() {
    frame_->nb_samples = fill_;
    frame_->pts = samplesSent_;
    samplesSent_ += fill_;
    fill_ = 0;
    int err = avcodec_send_frame(codec_, frame_);
    if (err < 0)
        return failWith(err, "the WMA encoder failed");
    return drain();
}

int CWmvWriter::WriteWma(const uint8_t* block, uint32_t length) {
    if (!format_)
        return AVERROR(EBADF);
    if (stopped_)
        return error() ? error() : AVERROR(EIO);
    const int channels = input_.channels;
    const uint32_t frames = length / input_.blockAlign;
    int err = 0;
    for (uint32_t i = 0; i < frames; ++i) {
        // The encoder may still hold the frame it was given last.
        if (fill_ == 0 && (err = av_frame_make_writable(frame_)) < 0)
            break;
        const uint8_t* at = block + static_cast<size_t>(i) * input_.blockAlign;
        for (int c = 0; c < channels; ++c) {
            int16_t s;
            std::memcpy(&s, at + 2 * c, 2);
            reinterpret_cast<float*>(frame_->extended_data[c])[fill_] = s * (1.0f / 32768.0f);
        }
        if (++fill_ == frameSize_ && (err = sendFrame()) < 0)
            break;
    }
    if (err < 0) {
        stopped_ = true;
        return failWith(err, "cannot encode");
    }
    sampleTime_ += EncoderMath::SampleTimeStep(length, input_.avgBytesPerSec);
    if (syncDue(length, input_.avgBytesPerSec)) {
        if (int e = syncData(); e < 0) {
            stopped_ = true;
            return failWith(e, "cannot write to disk");
        }
    }
    return 0;
}

bool CWmvWriter::writeBlock(const uint8_t* data, uint32_t bytes) {
    return WriteWma(data, bytes) == 0;
}

bool CWmvWriter::CloseWma() {
    if (!format_) {
        release();
        return true;
    }
    bool ok = true;
    if (!stopped_) {
        if (fill_ > 0) {
            // The encoder takes whole frames: complete the last one with silence.
            for (int c = 0; c < input_.channels; ++c)
                std::memset(reinterpret_cast<float*>(frame_->extended_data[c]) + fill_, 0,
                            sizeof(float) * static_cast<size_t>(frameSize_ - fill_));
            fill_ = frameSize_;
            ok = sendFrame() == 0;
        }
        if (ok) {
            int err = avcodec_send_frame(codec_, nullptr);
            ok = (err < 0 ? failWith(err, "the WMA encoder could not be flushed") : drain()) == 0;
        }
    }
    // After a failed write FFmpeg writes nothing more, so the trailer cannot complete the
    // header; that is done below from what reached the disk.
    const bool writeFailed = format_->pb->error < 0;
    if (int err = av_write_trailer(format_); err < 0 && !writeFailed) {
        fail(err, "cannot complete the WMA file");
        ok = false;
    }
    if (int err = avio_closep(&format_->pb); err < 0 && !writeFailed) {
        fail(err, "cannot close the file");
        ok = false;
    }
    if (writeFailed) {
        // The file keeps its whole packets (a piece of one would read as damage) and states
        // their count and length, as after a crash.
        const RecordFileRepair::Result kept = RecordFileRepair::Repair(fileName_);
        if (kept.ok) {
            keptSeconds_ = kept.seconds;
        } else {
            fail(-EIO, "cannot complete the WMA file: " + kept.error);
            ok = false;
        }
    }
    // The file is on disk before it is tagged and catalogued.
    if (int e = syncData(); ok && e < 0) {
        fail(e, "cannot write to disk");
        ok = false;
    }
    release();
    return ok;
}

// Files that cannot be synced (pipes, some special file systems) count as synced.
int CWmvWriter::syncData() {
    if (syncFd_ < 0)
        return AVERROR(EBADF);
    int e = FileIo::SyncData(syncFd_);
    return e == 0 ? 0 : AVERROR(-e);
}

void CWmvWriter::release() {
    if (syncFd_ >= 0)
        ::close(syncFd_);
    syncFd_ = -1;
    resetSyncCount();
    if (format_) {
        if (format_->pb)
            avio_closep(&format_->pb);
        avformat_free_context(format_);
    }
    format_ = nullptr;
    stream_ = nullptr;
    avcodec_free_context(&codec_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    fill_ = 0;
}

} // namespace vorlane
