// writeBlock runs on the capture thread; setVolume on any thread; the rest on the
// controlling thread while the capture thread is parked.
#include "audio/AlsaMonitorSink.h"

#include "audio/AlsaHardwareParams.h"

#include <alsa/asoundlib.h>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace vorlane {

AlsaMonitorSink::AlsaMonitorSink(std::string device) : device_(std::move(device)) {}

AlsaMonitorSink::~AlsaMonitorSink() {
    close();
}

double AlsaMonitorSink::VolumeFactor(int hundredthsDb) {
    if (hundredthsDb >= 0)
        return 1.0;
    if (hundredthsDb <= -10000)
        return 0.0;
    return std::pow(10.0, hundredthsDb / 2000.0);
}

int AlsaMonitorSink::fail(int err, const std::string& what) {
    error_ = "monitor output \"" + device_ + "\": " + what + ": " + snd_strerror(err);
    return err;
}

int AlsaMonitorSink::open(const WaveFormat& format, uint32_t blockBytes, uint32_t ringBlocks) {
    close();
    error_.clear();
    if (format.bitsPerSample != 16 || format.blockAlign == 0 || blockBytes % format.blockAlign)
        return fail(-EINVAL, "unsupported format");
    int err = snd_pcm_open(&pcm_, device_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err < 0) {
        pcm_ = nullptr;
        return fail(err, "cannot open");
    }
    blockFrames_ = blockBytes / format.blockAlign;
    snd_pcm_uframes_t period = blockFrames_;
    snd_pcm_uframes_t ring = static_cast<snd_pcm_uframes_t>(blockFrames_) * ringBlocks;
    bool formatRefused = false;
    if ((err = AlsaHardwareParams::Set(pcm_, SND_PCM_FORMAT_S16_LE, format, period, ring,
                                       formatRefused)) < 0) {
        close();
        return fail(err, formatRefused ? "the device cannot play the capture format"
                                       : "cannot set the hardware parameters");
    }
    ringFrames_ = static_cast<uint32_t>(ring);
    snd_pcm_sw_params_t* sw;
    snd_pcm_sw_params_alloca(&sw);
    snd_pcm_uframes_t boundary = 0;
    // Playback starts when we say so, after the lead of silence is queued.
    if ((err = snd_pcm_sw_params_current(pcm_, sw)) < 0 ||
        (err = snd_pcm_sw_params_get_boundary(sw, &boundary)) < 0 ||
        (err = snd_pcm_sw_params_set_start_threshold(pcm_, sw, boundary)) < 0 ||
        (err = snd_pcm_sw_params(pcm_, sw)) < 0) {
        close();
        return fail(err, "cannot set the software parameters");
    }
    format_ = format;
    scratch_.assign(blockBytes, 0);
    silence_.assign(blockBytes, 0);
    dead_ = false;
    return 0;
}

int AlsaMonitorSink::writeSilence(uint32_t blocks) {
    for (uint32_t i = 0; i < blocks; ++i) {
        snd_pcm_sframes_t n = snd_pcm_writei(pcm_, silence_.data(), blockFrames_);
        if (n < 0)
            return static_cast<int>(n);
    }
    return 0;
}

int AlsaMonitorSink::start(uint32_t leadBlocks) {
    if (!pcm_)
        return fail(-EBADFD, "not open");
    lead_ = leadBlocks;
    int err = 0;
    if (snd_pcm_state(pcm_) != SND_PCM_STATE_PREPARED && (err = snd_pcm_prepare(pcm_)) < 0)
        return fail(err, "cannot prepare");
    if ((err = writeSilence(lead_)) < 0 || (err = snd_pcm_start(pcm_)) < 0)
        return fail(err, "cannot start");
    dead_ = false;
    return 0;
}

int AlsaMonitorSink::restartAfterUnderrun() {
    underruns_.fetch_add(1, std::memory_order_relaxed);
    int err = snd_pcm_prepare(pcm_);
    if (err >= 0)
        err = writeSilence(lead_);
    if (err >= 0)
        err = snd_pcm_start(pcm_);
    return err;
}

void AlsaMonitorSink::stop() {
    if (pcm_)
        snd_pcm_drop(pcm_);
}

void AlsaMonitorSink::close() {
    if (pcm_)
        snd_pcm_close(pcm_);
    pcm_ = nullptr;
}

void AlsaMonitorSink::setVolume(int hundredthsDb) {
    volume_.store(hundredthsDb, std::memory_order_relaxed);
}

void AlsaMonitorSink::writeBlock(const uint8_t* data, uint32_t bytes) {
    if (!pcm_ || dead_ || bytes != scratch_.size())
        return;
    int v = volume_.load(std::memory_order_relaxed);
    if (v != appliedVolume_) {
        appliedVolume_ = v;
        factor_ = VolumeFactor(v);
    }
    if (factor_ >= 1.0) {
        std::memcpy(scratch_.data(), data, bytes);
    } else if (factor_ <= 0.0) {
        std::memset(scratch_.data(), 0, bytes);
    } else {
        const auto* in = reinterpret_cast<const int16_t*>(data);
        auto* out = reinterpret_cast<int16_t*>(scratch_.data());
        for (uint32_t i = 0; i < bytes / 2; ++i)
            out[i] = static_cast<int16_t>(in[i] * factor_);
    }
    snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm_);
    if (avail == -EPIPE && restartAfterUnderrun() >= 0)
        avail = snd_pcm_avail_update(pcm_);
    // An output clock slower than the capture clock lets the queue grow; dropping a
    // block keeps the monitor delay bounded.
    if (avail >= 0 && static_cast<uint32_t>(avail) < ringFrames_ &&
        ringFrames_ - static_cast<uint32_t>(avail) > 2 * lead_ * blockFrames_) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    snd_pcm_sframes_t n = snd_pcm_writei(pcm_, scratch_.data(), blockFrames_);
    if (n == -EPIPE && restartAfterUnderrun() >= 0)
        n = snd_pcm_writei(pcm_, scratch_.data(), blockFrames_);
    if (n == -EAGAIN || (n >= 0 && static_cast<uint32_t>(n) < blockFrames_)) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
    } else if (n < 0) {
        // The output went away; capture goes on without it.
        dead_ = true;
        fail(static_cast<int>(n), "playback failed");
    }
}

} // namespace vorlane
