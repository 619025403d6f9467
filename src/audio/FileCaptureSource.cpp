// readBlock runs on the capture thread; open, start, stop and close on the controlling
// thread while the capture thread is parked.
#include "audio/FileCaptureSource.h"

#include <atomic>
#include <cerrno>
#include <cstring>

namespace vorlane {

namespace {
std::atomic<bool> g_plugged{true};
} // namespace

void FileCaptureSource::SetPlugged(bool plugged) {
    g_plugged.store(plugged, std::memory_order_relaxed);
}

bool FileCaptureSource::Plugged() {
    return g_plugged.load(std::memory_order_relaxed);
}

FileCaptureSource::FileCaptureSource(std::string path, double speed)
    : path_(std::move(path)), speed_(speed > 0 ? speed : 1.0) {}

int FileCaptureSource::open(const std::string&, const WaveFormat& format, uint32_t periodFrames,
                            uint32_t periods) {
    close();
    if (!Plugged()) {
        error_ = "capture file " + path_ + ": the device is unplugged";
        return -ENODEV;
    }
    if (!reader_.open(path_)) {
        error_ = "capture file " + reader_.errorText();
        return -EINVAL;
    }
    const WaveFormat& f = reader_.layout().format;
    if (f.bitsPerSample != 16 || f.samplesPerSec != format.samplesPerSec ||
        (f.channels != 1 && f.channels != 2) || format.bitsPerSample != 16 ||
        format.channels != 2) {
        error_ = "capture file " + path_ + ": needs 16-bit PCM, mono or stereo, at " +
                 std::to_string(format.samplesPerSec) + " Hz";
        reader_.close();
        return -EINVAL;
    }
    if (reader_.layout().dataBytes == 0) {
        error_ = "capture file " + path_ + ": holds no samples";
        reader_.close();
        return -EINVAL;
    }
    mono_ = f.channels == 1;
    format_ = format;
    ringBlocks_ = periods > 0 ? periods : 1;
    overruns_.store(0, std::memory_order_relaxed);
    block_.assign(static_cast<size_t>(periodFrames) * format.blockAlign, 0);
    monoBuffer_.assign(mono_ ? block_.size() / 2 : 0, 0);
    period_ = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(periodFrames / (format.samplesPerSec * speed_)));
    open_ = true;
    error_.clear();
    return 0;
}

int FileCaptureSource::start() {
    if (!open_)
        return -EBADFD;
    wake_.consume();
    position_ = 0;
    taken_ = 0;
    start_ = std::chrono::steady_clock::now();
    started_ = true;
    return 0;
}

void FileCaptureSource::close() {
    reader_.close();
    open_ = false;
    started_ = false;
}

// Copies the next `bytes` bytes of the looping sample data into dst.
int FileCaptureSource::fill(uint8_t* dst, uint32_t bytes) {
    const uint64_t size = reader_.layout().dataBytes;
    uint32_t done = 0;
    while (done < bytes) {
        long got = reader_.readAt(dst + done, bytes - done, position_);
        if (got < 0) {
            error_ = "capture file " + path_ + ": " + std::strerror(static_cast<int>(-got));
            return static_cast<int>(got);
        }
        if (got == 0 && position_ < size) {
            error_ = "capture file " + path_ + ": shorter than its header says";
            return -EIO;
        }
        done += static_cast<uint32_t>(got);
        position_ += static_cast<uint64_t>(got);
        if (position_ >= size)
            position_ = 0;
    }
    return 0;
}

int FileCaptureSource::readBlock(uint8_t*& block, uint32_t bytes, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    if (open_ && !Plugged()) {
        error_ = "capture file " + path_ + ": the device was unplugged";
        return -ENODEV;
    }
    if (!started_ || bytes != block_.size()) {
        wake_.wait(timeoutMs);
        return 0;
    }
    auto now = Clock::now();
    const auto limit = now + std::chrono::milliseconds(timeoutMs);
    uint64_t made = static_cast<uint64_t>((now - start_) / period_);
    if (made - taken_ > ringBlocks_) {
        if (speed_ <= 1.0) {
            // The ring was overwritten while nobody read: what it held is lost.
            overruns_.fetch_add(1, std::memory_order_relaxed);
            taken_ = made;
        } else {
            // Faster than real time the file is a test feed: it waits for a slow reader
            // instead of losing sound, and then goes on without a burst.
            start_ = now - period_ * static_cast<int64_t>(taken_);
            made = taken_;
        }
    }
    const auto due = start_ + period_ * static_cast<int64_t>(taken_ + 1);
    if (made <= taken_ && (wake_.waitUntil(due < limit ? due : limit) || Clock::now() < due))
        return 0;
    const uint64_t fileBlock = mono_ ? bytes / 2 : bytes;
    position_ = taken_ * fileBlock % reader_.layout().dataBytes;
    int err;
    if (mono_) {
        err = fill(monoBuffer_.data(), bytes / 2);
        auto* out = block_.data();
        for (uint32_t i = 0; i + 1 < bytes / 2; i += 2, out += 4) {
            std::memcpy(out, &monoBuffer_[i], 2);
            std::memcpy(out + 2, &monoBuffer_[i], 2);
        }
    } else {
        err = fill(block_.data(), bytes);
    }
    if (err < 0)
        return err;
    ++taken_;
    block = block_.data();
    return static_cast<int>(bytes);
}

} // namespace vorlane
