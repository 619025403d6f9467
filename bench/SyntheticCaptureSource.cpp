#include "SyntheticCaptureSource.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <random>

namespace vorlane {

SyntheticCaptureSource::SyntheticCaptureSource() {
    const int frames = 44100;
    signal_.resize(frames * 4);
    std::mt19937 noise(7);
    std::uniform_int_distribution<int> n(-800, 800);
    for (int i = 0; i < frames; ++i) {
        double t = i / 44100.0;
        auto l = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 440 * t) + n(noise));
        auto r = static_cast<int16_t>(9000 * std::sin(2 * M_PI * 660 * t) + n(noise));
        std::memcpy(&signal_[4 * i], &l, 2);
        std::memcpy(&signal_[4 * i + 2], &r, 2);
    }
}

int SyntheticCaptureSource::open(const std::string&, const WaveFormat& format,
                                 uint32_t periodFrames, uint32_t) {
    if (format.blockAlign != 4)
        return -EINVAL;
    format_ = format;
    block_.assign(static_cast<size_t>(periodFrames) * 4, 0);
    open_ = true;
    return 0;
}

int SyntheticCaptureSource::start() {
    position_ = 0;
    started_ = open_;
    return open_ ? 0 : -EBADFD;
}

int SyntheticCaptureSource::readBlock(uint8_t*& block, uint32_t bytes, int) {
    if (!started_ || bytes != block_.size())
        return 0;
    size_t done = 0;
    while (done < bytes) {
        size_t n = std::min<size_t>(bytes - done, signal_.size() - position_);
        std::memcpy(&block_[done], &signal_[position_], n);
        done += n;
        position_ = (position_ + n) % signal_.size();
    }
    block = block_.data();
    return static_cast<int>(bytes);
}

} // namespace vorlane
