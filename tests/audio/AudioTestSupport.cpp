#include "AudioTestSupport.h"

#include "audio/CRecordWriter.h"
#include "platform/Messages.h"

#include <FLAC/stream_decoder.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>

namespace vorlane::test {

int16_t PatternSample(uint32_t block, uint32_t index) {
    return static_cast<int16_t>(
        static_cast<uint16_t>(block * 7919u + index * 613u + (index & 1) * 20011u));
}

std::vector<int16_t> PatternBlocks(uint32_t first, uint32_t count) {
    std::vector<int16_t> out;
    for (uint32_t i = first; i < first + count; ++i)
        for (uint32_t j = 0; j < kBlock / 2; ++j)
            out.push_back(PatternSample(i, j));
    return out;
}

int FakeCaptureSource::open(const std::string& id, const WaveFormat& format, uint32_t periodFrames,
                            uint32_t) {
    opens.fetch_add(1);
    openedId = id;
    if (openError)
        return openError;
    format_ = format;
    buffer_.assign(static_cast<size_t>(periodFrames) * format.blockAlign, 0);
    open_ = true;
    return 0;
}

int FakeCaptureSource::start() {
    starts.fetch_add(1);
    started_ = open_;
    start_ = std::chrono::steady_clock::now() - pace * delivered.load();
    return open_ ? 0 : -EBADFD;
}

void FakeCaptureSource::stop() {
    stops.fetch_add(1);
    started_ = false;
}

void FakeCaptureSource::close() {
    if (open_)
        closes.fetch_add(1);
    open_ = started_ = false;
}

std::vector<int16_t> FakeCaptureSource::blockSamples(uint32_t i, uint32_t bytes) const {
    std::vector<int16_t> out(bytes / 2);
    for (uint32_t j = 0; j < out.size(); ++j)
        out[j] = sample(i, j);
    return out;
}

int FakeCaptureSource::readBlock(uint8_t*& block, uint32_t bytes, int timeoutMs) {
    uint32_t i = delivered.load();
    if (!started_ || starve.load()) {
        if (starveWaits)
            wake_.wait(timeoutMs);
        return 0;
    }
    if (ownClock && pace.count() > 0) {
        const auto now = std::chrono::steady_clock::now();
        const auto made = static_cast<uint32_t>((now - start_) / pace);
        if (made - i > 16) {
            overrunCount.fetch_add(1);
            delivered.store(made);
            i = made;
        }
        const auto due = start_ + pace * (i + 1);
        const auto limit = now + std::chrono::milliseconds(timeoutMs);
        if (made <= i &&
            (wake_.waitUntil(due < limit ? due : limit) || std::chrono::steady_clock::now() < due))
            return 0;
    } else if (pace.count() > 0 && wake_.waitUntil(std::chrono::steady_clock::now() + pace)) {
        return 0;
    }
    if (failAtBlock >= 0 && i >= static_cast<uint32_t>(failAtBlock))
        return -ENODEV;
    if (throwAtBlock >= 0 && i == static_cast<uint32_t>(throwAtBlock) && !thrown_) {
        thrown_ = true;
        throw std::runtime_error("fake failure");
    }
    for (uint32_t j = 0; j < bytes / 2; ++j) {
        int16_t s = sample(i, j);
        std::memcpy(&buffer_[2 * j], &s, 2);
    }
    delivered.fetch_add(1);
    block = buffer_.data();
    return static_cast<int>(bytes);
}

std::string CommandOutput(const std::string& command, int* status) {
    std::string out;
    int st = -1;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        st = ::pclose(p);
    }
    if (status)
        *status = st >= 0 && WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}

namespace {
// Runs a decoder writing raw 16-bit little-endian samples; empty when it fails.
std::vector<int16_t> readSamples(const std::string& cmd) {
    int status = -1;
    const std::string raw = CommandOutput(cmd + " 2>/dev/null", &status);
    if (status != 0)
        return {};
    std::vector<int16_t> out(raw.size() / 2);
    std::memcpy(out.data(), raw.data(), out.size() * 2);
    return out;
}
} // namespace

std::vector<int16_t> SoxDecode(const std::filesystem::path& file) {
    return readSamples("sox -V1 '" + file.string() + "' -t raw -e signed -b 16 -L -");
}

std::vector<int16_t> FfmpegDecode(const std::filesystem::path& file) {
    return readSamples("ffmpeg -nostdin -v error -i '" + file.string() +
                       "' -f s16le -ac 2 -ar 44100 -");
}

std::map<std::string, std::string> Ffprobe(const std::filesystem::path& file) {
    int status = -1;
    std::string out =
        CommandOutput("ffprobe -v error -select_streams 0 -show_entries "
                      "stream=codec_name,bit_rate,sample_rate,channels:format=format_name,duration "
                      "-of default=noprint_wrappers=1 '" +
                          file.string() + "' 2>/dev/null",
                      &status);
    std::map<std::string, std::string> values;
    if (status != 0)
        return values;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line))
        if (size_t eq = line.find('='); eq != std::string::npos)
            values.emplace(line.substr(0, eq), line.substr(eq + 1));
    return values;
}

bool DecodesCleanly(const std::filesystem::path& file) {
    int status = -1;
    std::string said = CommandOutput(
        "ffmpeg -nostdin -v error -i '" + file.string() + "' -f null - 2>&1", &status);
    return status == 0 && said.empty();
}

std::string FfprobeTags(const std::filesystem::path& file) {
    return CommandOutput("ffprobe -v error -show_entries format_tags:stream_tags "
                         "-of default=noprint_wrappers=1 '" +
                         file.string() + "' 2>/dev/null");
}

std::vector<int16_t> ToneBlock(uint32_t i, uint32_t frames) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
    for (uint32_t j = 0; j < frames; ++j) {
        double t = (static_cast<double>(i) * frames + j) / 44100.0;
        out[2 * j] = static_cast<int16_t>(std::lround(12000 * std::sin(2 * M_PI * 1000 * t)));
        out[2 * j + 1] = static_cast<int16_t>(std::lround(8000 * std::sin(2 * M_PI * 440 * t)));
    }
    return out;
}

namespace {
struct FlacSink {
    FlacDecoded* out;
    static FLAC__StreamDecoderWriteStatus write(const FLAC__StreamDecoder*,
                                                const FLAC__Frame* frame,
                                                const FLAC__int32* const buffer[], void* self) {
        FlacDecoded& d = *static_cast<FlacSink*>(self)->out;
        for (uint32_t i = 0; i < frame->header.blocksize; ++i)
            for (uint32_t c = 0; c < frame->header.channels; ++c)
                d.samples.push_back(static_cast<int16_t>(buffer[c][i]));
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }
    static void metadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* m, void* self) {
        if (m->type != FLAC__METADATA_TYPE_STREAMINFO)
            return;
        FlacDecoded& d = *static_cast<FlacSink*>(self)->out;
        const auto& info = m->data.stream_info;
        d.totalSamples = info.total_samples;
        d.sampleRate = info.sample_rate;
        d.channels = info.channels;
        d.bits = info.bits_per_sample;
        for (uint8_t b : info.md5sum)
            d.signatureKnown = d.signatureKnown || b != 0;
    }
    static void error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* self) {
        static_cast<FlacSink*>(self)->out->ok = false;
        static_cast<FlacSink*>(self)->failed = true;
    }
    bool failed = false;
};
} // namespace

FlacDecoded FlacDecode(const std::filesystem::path& file) {
    FlacDecoded d;
    FlacSink sink{&d};
    FLAC__StreamDecoder* dec = FLAC__stream_decoder_new();
    FLAC__stream_decoder_set_md5_checking(dec, true);
    if (FLAC__stream_decoder_init_file(dec, file.c_str(), FlacSink::write, FlacSink::metadata,
                                       FlacSink::error,
                                       &sink) == FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        const bool decoded = FLAC__stream_decoder_process_until_end_of_stream(dec);
        // finish() compares the signature with the decoded sound (true when none is known).
        d.signatureMatches = FLAC__stream_decoder_finish(dec) && d.signatureKnown;
        d.ok = decoded && !sink.failed;
    }
    FLAC__stream_decoder_delete(dec);
    return d;
}

void RecordTones(CRecordWriter& w, const std::filesystem::path& file, FileType type,
                 uint32_t blocks) {
    ASSERT_TRUE(w.StartRecording(file, type)) << w.LastErrorText();
    for (uint32_t i = 0; i < blocks; ++i)
        w.WriteBlock(BytesOf(ToneBlock(i)), kBlock, false);
    w.RequestStop();
    w.ServeStopRequest();
    ASSERT_FALSE(w.IsRecording());
    ASSERT_EQ(w.LastError(), 0) << w.LastErrorText();
}

double Rms(const std::vector<int16_t>& samples, size_t first, size_t count) {
    double sum = 0;
    size_t n = 0;
    for (size_t i = first; i < first + count && i < samples.size(); ++i, ++n)
        sum += static_cast<double>(samples[i]) * samples[i];
    return n ? std::sqrt(sum / static_cast<double>(n)) : 0.0;
}

FileSizeLimit::FileSizeLimit(uint64_t bytes) {
    rlimit r{};
    ::getrlimit(RLIMIT_FSIZE, &r);
    oldCur_ = r.rlim_cur;
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    r.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &r);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit r{};
    ::getrlimit(RLIMIT_FSIZE, &r);
    r.rlim_cur = oldCur_;
    ::setrlimit(RLIMIT_FSIZE, &r);
    std::signal(SIGXFSZ, oldHandler_);
}

uint16_t Le16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b.at(at)) | static_cast<uint8_t>(b.at(at + 1))
                                                                      << 8);
}

uint32_t Le32(const std::string& b, size_t at) {
    return Le16(b, at) | static_cast<uint32_t>(Le16(b, at + 2)) << 16;
}

void WriteBytes(const std::filesystem::path& file, const void* data, size_t n) {
    writeBytes(file, std::string(static_cast<const char*>(data), n));
}

} // namespace vorlane::test
