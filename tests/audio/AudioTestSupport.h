#pragma once

#include "LogWindow.h"
#include "ScopedEnv.h"
#include "TestProgramFolder.h"
#include "audio/CaptureSource.h"
#include "audio/FileType.h"
#include "audio/WakeEvent.h"
#include "platform/Messages.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vorlane {
class CRecordWriter;
}

namespace vorlane::test {

// The capture engine's block: 5,512 stereo 16-bit frames, 125 ms.
constexpr uint32_t kBlock = 22048;
constexpr uint32_t kBlockFrames = kBlock / 4;

inline const uint8_t* BytesOf(const std::vector<int16_t>& s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

// The sample value that FakeCaptureSource puts at position j of block i: a pattern that
// covers the whole 16-bit range and differs between blocks and channels.
int16_t PatternSample(uint32_t block, uint32_t index);
// Pattern blocks first..first+count-1 of kBlock bytes each, one after another.
std::vector<int16_t> PatternBlocks(uint32_t first, uint32_t count);

// Stands in for the sound card, which this machine does not have. Delivers generated
// blocks at once, or nothing, or fails, as the test says.
class FakeCaptureSource : public CaptureSource {
public:
    std::vector<CaptureDevice> devices;
    std::function<int16_t(uint32_t block, uint32_t index)> sample = PatternSample;
    int openError = 0;
    int failAtBlock = -1;              // readBlock fails for good from this block on
    int throwAtBlock = -1;             // readBlock throws once at this block
    std::atomic<bool> starve{false};   // deliver nothing
    bool starveWaits = false;          // a starved read waits for its time-out like a device
    std::chrono::microseconds pace{0}; // time between blocks, like a device's clock
    // With pace: block i is due at start + (i + 1) * pace whether or not anyone reads, and
    // a reader more than a ring (16 blocks) behind loses them, counted as an overrun.
    bool ownClock = false;
    std::atomic<uint32_t> overrunCount{0};

    std::atomic<int> opens{0}, starts{0}, stops{0}, closes{0};
    std::atomic<uint32_t> delivered{0};
    std::string openedId;

    std::vector<CaptureDevice> listDevices() override { return devices; }
    int open(const std::string& id, const WaveFormat& format, uint32_t periodFrames,
             uint32_t periods) override;
    int start() override;
    void stop() override;
    void close() override;
    bool isOpen() const override { return open_; }
    int readBlock(uint8_t*& block, uint32_t bytes, int timeoutMs) override;
    void wake() override { wake_.signal(); }
    WaveFormat actualFormat() const override { return format_; }
    uint32_t overruns() const override { return overrunCount.load(); }
    std::string errorText() const override { return "fake device failed"; }

    // The bytes of block i as delivered (before any gain).
    std::vector<int16_t> blockSamples(uint32_t i, uint32_t bytes) const;

private:
    bool open_ = false;
    bool started_ = false;
    bool thrown_ = false;
    std::chrono::steady_clock::time_point start_{};
    WaveFormat format_;
    std::vector<uint8_t> buffer_;
    WakeEvent wake_;
};

// Decodes a sound file with sox into interleaved 16-bit samples; empty when sox fails.
std::vector<int16_t> SoxDecode(const std::filesystem::path& file);
// Decodes a sound file with ffmpeg into interleaved 16-bit stereo samples at 44,100 Hz;
// empty when ffmpeg fails.
std::vector<int16_t> FfmpegDecode(const std::filesystem::path& file);
// A FLAC file decoded with libFLAC, the signature in STREAMINFO checked against the sound.
struct FlacDecoded {
    bool ok = false;             // decoded to its end without an error
    bool signatureKnown = false; // STREAMINFO holds an MD5 signature (not all zero)
    bool signatureMatches = false;
    uint64_t totalSamples = 0; // per channel, as STREAMINFO states
    uint32_t sampleRate = 0, channels = 0, bits = 0;
    std::vector<int16_t> samples; // interleaved
};
FlacDecoded FlacDecode(const std::filesystem::path& file);
// Runs a command and returns what it printed on its standard output.
std::string CommandOutput(const std::string& command, int* status = nullptr);
// What ffprobe reports of a file's first stream and container: codec_name, bit_rate,
// sample_rate, channels, format_name and duration. Empty when ffprobe fails.
std::map<std::string, std::string> Ffprobe(const std::filesystem::path& file);
// ffmpeg decodes the whole file without a complaint.
bool DecodesCleanly(const std::filesystem::path& file);
// The metadata that ffprobe finds in a file (format and stream tags), as "key=value" lines.
std::string FfprobeTags(const std::filesystem::path& file);
// Interleaved stereo tone blocks: block i of `frames` frames of a 1 kHz sine (left) and a
// 440 Hz sine (right), continuous across blocks.
std::vector<int16_t> ToneBlock(uint32_t i, uint32_t frames = 5512);
// Records `blocks` tone blocks as file type `type` through the record writer and stops it
// the way the capture thread does.
void RecordTones(CRecordWriter& w, const std::filesystem::path& file, FileType type,
                 uint32_t blocks);
// Root mean square of the interleaved samples [first, first + count).
double Rms(const std::vector<int16_t>& samples, size_t first, size_t count);
uint32_t Le32(const std::string& bytes, size_t at);
uint16_t Le16(const std::string& bytes, size_t at);
void WriteBytes(const std::filesystem::path& file, const void* data, size_t n);

// Lowers the file size limit for the life of the object, so that writes past it fail as
// on a full disk (EFBIG instead of ENOSPC).
class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    uint64_t oldCur_ = 0;
    void (*oldHandler_)(int) = nullptr;
};

} // namespace vorlane::test
