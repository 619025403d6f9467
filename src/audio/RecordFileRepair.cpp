// Runs at start-up on the main thread, before any recording.
#include "audio/RecordFileRepair.h"

#include "audio/FlacStreamInfo.h"
#include "audio/WavFileWriter.h"

#include <FLAC/stream_decoder.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane {

namespace {
uint32_t le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t le64(const uint8_t* p) {
    return le32(p) | (static_cast<uint64_t>(le32(p + 4)) << 32);
}
void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void put64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
bool endsWith(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    if (s.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != tail[i])
            return false;
    return true;
}
bool readAt(int fd, void* buf, size_t n, off_t at) {
    return ::pread(fd, buf, n, at) == static_cast<ssize_t>(n);
}
bool writeAt(int fd, const void* buf, size_t n, off_t at) {
    return ::pwrite(fd, buf, n, at) == static_cast<ssize_t>(n);
}

// ASF object ids as they are stored.
const uint8_t kAsfHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const uint8_t kAsfFileProperties[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                        0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const uint8_t kAsfData[16] = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                              0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

// File properties flags.
constexpr uint32_t kBroadcastFlag = 1; // being written: counts and durations are not valid
constexpr uint32_t kSeekableFlag = 2;

// A file whose header FFmpeg completed: no "being written" flag, a packet count that the
// data object and the file agree with, and a play duration beyond the preroll.
bool finishedWma(const uint8_t* fileProperties, const uint8_t* dataObject, uint64_t firstPacket,
                 uint64_t fileSize) {
    const uint64_t packets = le64(fileProperties + 56);
    const uint32_t packetSize = le32(fileProperties + 92);
    return !(le32(fileProperties + 88) & kBroadcastFlag) && packets > 0 &&
           le64(dataObject + 40) == packets && le64(dataObject + 16) == 50 + packets * packetSize &&
           firstPacket + packets * packetSize <= fileSize &&
           le64(fileProperties + 64) > le64(fileProperties + 80) * 10000;
}

RecordFileRepair::Result failed(const std::string& path, const std::string& why) {
    RecordFileRepair::Result r;
    r.error = path + ": " + why;
    return r;
}
} // namespace

RecordFileRepair::Result RecordFileRepair::Repair(const std::string& path) {
    if (endsWith(path, ".wav"))
        return RepairWav(path);
    if (endsWith(path, ".wma"))
        return RepairWma(path);
    if (endsWith(path, ".flac"))
        return RepairFlac(path);
    Result r;
    r.seconds = DecodedSeconds(path);
    r.ok = r.seconds >= 0;
    if (!r.ok)
        r.error = path + ": cannot be decoded";
    return r;
}

RecordFileRepair::Result RecordFileRepair::RepairWav(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return failed(path, std::strerror(errno));
    uint8_t h[WavFileWriter::kHeaderBytes];
    struct stat st {};
    Result r;
    if (::fstat(fd, &st) < 0 || !readAt(fd, h, sizeof h, 0) || std::memcmp(h, "RIFF", 4) != 0 ||
        std::memcmp(h + 8, "WAVE", 4) != 0 || std::memcmp(h + 38, "data", 4) != 0) {
        ::close(fd);
        return failed(path, "not a WAV file of this program");
    }
    const uint16_t align = static_cast<uint16_t>(h[32] | (h[33] << 8));
    const uint32_t perSecond = le32(h + 28);
    uint64_t data = static_cast<uint64_t>(st.st_size) - WavFileWriter::kHeaderBytes;
    if (data > WavFileWriter::kMaxDataBytes)
        data = WavFileWriter::kMaxDataBytes;
    if (align > 0)
        data -= data % align;
    uint8_t sizes[4];
    put32(sizes, static_cast<uint32_t>(data + WavFileWriter::kHeaderBytes - 8));
    bool ok = ::ftruncate(fd, static_cast<off_t>(WavFileWriter::kHeaderBytes + data)) == 0 &&
              writeAt(fd, sizes, 4, 4);
    put32(sizes, static_cast<uint32_t>(data));
    ok = ok && writeAt(fd, sizes, 4, 42) && ::fdatasync(fd) == 0;
    const int err = errno;
    ::close(fd);
    if (!ok)
        return failed(path, std::strerror(err));
    r.ok = true;
    r.seconds = perSecond ? static_cast<double>(data) / perSecond : 0;
    return r;
}

RecordFileRepair::Result RecordFileRepair::RepairWma(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return failed(path, std::strerror(errno));
    struct stat st {};
    uint8_t top[30];
    if (::fstat(fd, &st) < 0 || !readAt(fd, top, sizeof top, 0) ||
        std::memcmp(top, kAsfHeader, 16) != 0) {
        ::close(fd);
        return failed(path, "not a WMA file");
    }
    const uint64_t headerSize = le64(top + 16);
    const uint32_t objects = le32(top + 24);
    off_t at = 30, props = -1;
    uint8_t obj[24];
    for (uint32_t i = 0; i < objects && static_cast<uint64_t>(at) < headerSize; ++i) {
        if (!readAt(fd, obj, sizeof obj, at) || le64(obj + 16) < 24)
            break;
        if (std::memcmp(obj, kAsfFileProperties, 16) == 0)
            props = at;
        at += static_cast<off_t>(le64(obj + 16));
    }
    uint8_t fp[104], dob[50];
    const off_t dataAt = static_cast<off_t>(headerSize);
    if (props < 0 || !readAt(fd, fp, sizeof fp, props) || !readAt(fd, dob, sizeof dob, dataAt) ||
        std::memcmp(dob, kAsfData, 16) != 0) {
        ::close(fd);
        return failed(path, "the WMA header is damaged");
    }
    const uint32_t packetSize = le32(fp + 92);
    if (packetSize == 0 || packetSize != le32(fp + 96)) {
        ::close(fd);
        return failed(path, "the WMA header is damaged");
    }
    const uint64_t first = static_cast<uint64_t>(dataAt) + 50;
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    const uint64_t preroll = le64(fp + 80) * 10000; // milliseconds, in 100-ns units
    bool ok = true;
    if (!finishedWma(fp, dob, first, size)) {
        // Whatever the unfinished header says (FFmpeg leaves a count of 0, the preroll as
        // the play duration and the "being written" flag), only the whole packets on disk
        // count.
        uint64_t packets = size > first ? (size - first) / packetSize : 0;
        // A power cut can leave the end of a file as zeros: keep packets that begin as
        // packets do (error correction flags 0x82, then two bytes of zero).
        uint8_t start[3];
        while (packets > 0 && (!readAt(fd, start, sizeof start,
                                       static_cast<off_t>(first + (packets - 1) * packetSize)) ||
                               start[0] != 0x82 || start[1] != 0 || start[2] != 0))
            --packets;
        const uint64_t end = first + packets * packetSize;
        put64(fp + 40, end);
        put64(fp + 56, packets);
        put64(fp + 64, preroll);
        put64(fp + 72, 0);
        // Complete now, and seekable: one stream in packets of one size.
        put32(fp + 88, (le32(fp + 88) & ~kBroadcastFlag) | kSeekableFlag);
        put64(dob + 16, 50 + packets * packetSize);
        put64(dob + 40, packets);
        ok = ::ftruncate(fd, static_cast<off_t>(end)) == 0 &&
             writeAt(fd, dob, sizeof dob, dataAt) && writeAt(fd, fp, sizeof fp, props) &&
             ::fdatasync(fd) == 0;
        int err = errno;
        Result r;
        r.seconds = ok ? DecodedSeconds(path) : -1;
        if (r.seconds >= 0) {
            // The durations come last: a crash before them leaves a file that the next
            // repair takes for unfinished again. Play duration includes the preroll, as
            // the presentation times do; send duration does not.
            const uint64_t length = static_cast<uint64_t>(r.seconds * 1e7 + 0.5);
            put64(fp + 64, length + preroll);
            put64(fp + 72, length);
            ok = writeAt(fd, fp, sizeof fp, props) && ::fdatasync(fd) == 0;
            err = errno;
        }
        ::close(fd);
        if (!ok || r.seconds < 0)
            return failed(path, ok ? "cannot be decoded" : std::strerror(err));
        r.ok = true;
        return r;
    }
    ::close(fd);
    Result r;
    r.seconds = DecodedSeconds(path);
    r.ok = r.seconds >= 0;
    if (!r.ok)
        r.error = path + ": cannot be decoded";
    return r;
}

namespace {
// Walks the frames of a FLAC file with libFLAC and notes where the last whole one ends.
struct FlacFrames {
    uint64_t samples = 0; // per channel, in the whole frames
    uint64_t end = 0;     // the byte after the last whole frame (or after the metadata)
    bool damaged = false; // the decoder found something that is not a whole frame

    static FLAC__StreamDecoderWriteStatus write(const FLAC__StreamDecoder*, const FLAC__Frame* f,
                                                const FLAC__int32* const[], void* self) {
        static_cast<FlacFrames*>(self)->pending = f->header.blocksize;
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }
    static void error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* self) {
        static_cast<FlacFrames*>(self)->damaged = true;
    }

    bool walk(const std::string& path) {
        FLAC__StreamDecoder* dec = FLAC__stream_decoder_new();
        if (!dec)
            return false;
        bool ok = FLAC__stream_decoder_init_file(dec, path.c_str(), write, nullptr, error, this) ==
                      FLAC__STREAM_DECODER_INIT_STATUS_OK &&
                  FLAC__stream_decoder_process_until_end_of_metadata(dec) &&
                  FLAC__stream_decoder_get_decode_position(dec, &end);
        while (ok && !damaged) {
            pending = 0;
            if (!FLAC__stream_decoder_process_single(dec))
                break;
            FLAC__uint64 at = 0;
            // No new frame: the end of the file, or a piece of a frame before it.
            if (pending == 0 || damaged ||
                FLAC__stream_decoder_get_state(dec) == FLAC__STREAM_DECODER_END_OF_STREAM ||
                !FLAC__stream_decoder_get_decode_position(dec, &at))
                break;
            samples += pending;
            end = at;
        }
        FLAC__stream_decoder_delete(dec);
        return ok;
    }

private:
    uint32_t pending = 0;
};
} // namespace

RecordFileRepair::Result RecordFileRepair::RepairFlac(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return failed(path, std::strerror(errno));
    uint8_t info[FlacStreamInfo::kBytes];
    if (!FlacStreamInfo::Read(fd, info) || FlacStreamInfo::SampleRate(info) == 0) {
        ::close(fd);
        return failed(path, "not a FLAC file");
    }
    const double rate = FlacStreamInfo::SampleRate(info);
    Result r;
    if (const uint64_t total = FlacStreamInfo::TotalSamples(info); total != 0) {
        // Finished: the encoder wrote the count when it closed the file.
        ::close(fd);
        r.ok = true;
        r.seconds = static_cast<double>(total) / rate;
        return r;
    }
    FlacFrames frames;
    if (!frames.walk(path)) {
        ::close(fd);
        return failed(path, "the FLAC metadata is damaged");
    }
    const bool ok = ::ftruncate(fd, static_cast<off_t>(frames.end)) == 0 &&
                    FlacStreamInfo::WriteTotalSamplesAndNoSignature(fd, frames.samples) == 0 &&
                    ::fdatasync(fd) == 0;
    const int err = errno;
    ::close(fd);
    if (!ok)
        return failed(path, std::strerror(err));
    r.ok = true;
    r.seconds = static_cast<double>(frames.samples) / rate;
    return r;
}

double RecordFileRepair::DecodedSeconds(const std::string& path) {
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0)
        return -1;
    double seconds = -1;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const AVCodec* decoder = nullptr;
    int stream = -1;
    if (avformat_find_stream_info(fmt, nullptr) >= 0)
        stream = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream >= 0 && decoder && packet && frame && (codec = avcodec_alloc_context3(decoder)) &&
        avcodec_parameters_to_context(codec, fmt->streams[stream]->codecpar) >= 0 &&
        avcodec_open2(codec, decoder, nullptr) >= 0 && codec->sample_rate > 0) {
        int64_t samples = 0;
        auto drain = [&] {
            while (avcodec_receive_frame(codec, frame) >= 0)
                samples += frame->nb_samples;
        };
        while (av_read_frame(fmt, packet) >= 0) {
            if (packet->stream_index == stream && avcodec_send_packet(codec, packet) >= 0)
                drain();
            av_packet_unref(packet);
        }
        avcodec_send_packet(codec, nullptr);
        drain();
        seconds = static_cast<double>(samples) / codec->sample_rate;
    }
    avcodec_free_context(&codec);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&fmt);
    return seconds;
}

} // namespace vorlane
