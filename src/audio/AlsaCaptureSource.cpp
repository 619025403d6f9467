// Runs on the capture thread (readBlock, wake) and on the controlling thread (the rest).
#include "audio/AlsaCaptureSource.h"

#include "audio/AlsaHardwareParams.h"
#include "audio/SoundServerSources.h"

#include <alsa/asoundlib.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>

namespace vorlane {

namespace {
constexpr int kMaxPollFds = 16;

std::string hintValue(void* hint, const char* id) {
    char* v = snd_device_name_get_hint(hint, id);
    std::string s = v ? v : "";
    ::free(v);
    return s;
}

// "plughw:CARD=Device,DEV=0" -> "Device", "hw:1,0" -> "1"; empty when the PCM belongs to
// no card.
std::string cardIdOf(const std::string& pcmName) {
    auto at = pcmName.find("CARD=");
    if (at != std::string::npos)
        at += 5;
    else if (pcmName.rfind("hw:", 0) == 0 || pcmName.rfind("plughw:", 0) == 0)
        at = pcmName.find(':') + 1;
    else
        return {};
    return pcmName.substr(at, pcmName.find(',', at) - at);
}

snd_pcm_format_t alsaFormat(const WaveFormat& f) {
    switch (f.bitsPerSample) {
    case 8:
        return SND_PCM_FORMAT_U8;
    case 16:
        return SND_PCM_FORMAT_S16_LE;
    default:
        return SND_PCM_FORMAT_UNKNOWN;
    }
}
} // namespace

AlsaCaptureSource::AlsaCaptureSource() = default;

AlsaCaptureSource::~AlsaCaptureSource() {
    close();
}

std::string AlsaCaptureSource::Describe(const std::string& cardName, const std::string& hintText) {
    std::string text = hintText;
    for (char& c : text)
        if (c == '\n')
            c = ' ';
    if (cardName.empty())
        return text;
    return cardName + "  " + text;
}

std::vector<CaptureDevice> AlsaCaptureSource::listDevices() {
    // The sound server's sources of the cards come first: the device choice takes the last
    // match, so a card that ALSA lists as well is opened directly when it is free.
    std::vector<CaptureDevice> devices;
    for (const SoundServerSource& s : SoundServerSources::List())
        if (!s.cardName.empty())
            devices.push_back(
                {SoundServerSources::PcmName(s.name), Describe(s.cardName, s.description)});
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0)
        return devices;
    for (void** h = hints; *h; ++h) {
        std::string name = hintValue(*h, "NAME");
        std::string io = hintValue(*h, "IOID");
        if (name.empty() || name == "default" || (!io.empty() && io != "Input"))
            continue;
        std::string cardId = cardIdOf(name);
        std::string cardName;
        if (!cardId.empty()) {
            // One entry per card device: the one that converts formats for us.
            if (name.rfind("plughw:", 0) != 0)
                continue;
            int index = snd_card_get_index(cardId.c_str());
            char* n = nullptr;
            if (index >= 0 && snd_card_get_name(index, &n) == 0 && n)
                cardName = n;
            ::free(n);
        }
        std::string desc = hintValue(*h, "DESC");
        devices.push_back({name, Describe(cardName, desc.empty() ? name : desc)});
    }
    snd_device_name_free_hint(hints);
    return devices;
}

AlsaCaptureSource::Card AlsaCaptureSource::cardOf(const std::string& pcmName) {
    Card card;
    const std::string id = cardIdOf(pcmName);
    if (id.empty())
        return card;
    card.index = snd_card_get_index(id.c_str());
    char* name = nullptr;
    if (card.index >= 0 && snd_card_get_name(card.index, &name) == 0 && name)
        card.name = name;
    ::free(name);
    return card;
}

int AlsaCaptureSource::openPcm(snd_pcm_t** pcm, const std::string& name) {
    return snd_pcm_open(pcm, name.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
}

int AlsaCaptureSource::openThroughSoundServer() {
    pcm_ = nullptr;
    const Card card = cardOf(name_);
    if (card.index < 0 && card.name.empty())
        return -EBUSY;
    const std::vector<SoundServerSource> sources = SoundServerSources::List();
    const SoundServerSource* source = SoundServerSources::ForCard(sources, card.index, card.name);
    if (!source)
        return -EBUSY;
    const std::string pcmName = SoundServerSources::PcmName(source->name);
    if (openPcm(&pcm_, pcmName) < 0) {
        pcm_ = nullptr;
        return -EBUSY; // the card's own answer says more than the server's
    }
    name_ = pcmName;
    return 0;
}

int AlsaCaptureSource::fail(int err, const std::string& what) {
    error_ = "capture device \"" + name_ + "\": " + what + ": " + snd_strerror(err);
    return err;
}

int AlsaCaptureSource::open(const std::string& id, const WaveFormat& format, uint32_t periodFrames,
                            uint32_t periods) {
    close();
    name_ = id.empty() ? "default" : id;
    error_.clear();
    snd_pcm_format_t pcmFormat = alsaFormat(format);
    if (pcmFormat == SND_PCM_FORMAT_UNKNOWN || format.channels == 0 || periodFrames == 0)
        return fail(-EINVAL, "unsupported format");
    int err = openPcm(&pcm_, name_);
    if (err == -EBUSY)
        err = openThroughSoundServer();
    if (err < 0) {
        pcm_ = nullptr;
        return fail(err, "cannot open");
    }
    snd_pcm_uframes_t period = periodFrames;
    snd_pcm_uframes_t ring = static_cast<snd_pcm_uframes_t>(periodFrames) * periods;
    bool formatRefused = false;
    if ((err = AlsaHardwareParams::Set(pcm_, pcmFormat, format, period, ring, formatRefused)) < 0) {
        close();
        return fail(err, formatRefused ? "the device cannot capture 16-bit stereo at 44,100 Hz"
                                       : "cannot set the hardware parameters");
    }
    snd_pcm_sw_params_t* sw;
    snd_pcm_sw_params_alloca(&sw);
    if ((err = snd_pcm_sw_params_current(pcm_, sw)) < 0 ||
        (err = snd_pcm_sw_params_set_avail_min(pcm_, sw, period)) < 0 ||
        (err = snd_pcm_sw_params(pcm_, sw)) < 0) {
        close();
        return fail(err, "cannot set the software parameters");
    }
    format_ = format;
    buffer_.assign(static_cast<size_t>(periodFrames) * format.blockAlign, 0);
    filled_ = 0;
    overruns_.store(0, std::memory_order_relaxed);
    return 0;
}

int AlsaCaptureSource::start() {
    if (!pcm_)
        return fail(-EBADFD, "not open");
    wake_.consume();
    filled_ = 0;
    int err = 0;
    if (snd_pcm_state(pcm_) != SND_PCM_STATE_PREPARED && (err = snd_pcm_prepare(pcm_)) < 0)
        return fail(err, "cannot prepare");
    if ((err = snd_pcm_start(pcm_)) < 0)
        return fail(err, "cannot start");
    return 0;
}

void AlsaCaptureSource::stop() {
    if (pcm_)
        snd_pcm_drop(pcm_);
    filled_ = 0;
}

void AlsaCaptureSource::close() {
    if (pcm_)
        snd_pcm_close(pcm_);
    pcm_ = nullptr;
    filled_ = 0;
}

int AlsaCaptureSource::waitReady(int timeoutMs) {
    pollfd fds[kMaxPollFds + 1];
    int count = snd_pcm_poll_descriptors_count(pcm_);
    if (count < 0 || count > kMaxPollFds)
        count = 0;
    if (count > 0)
        count = snd_pcm_poll_descriptors(pcm_, fds, static_cast<unsigned>(count));
    fds[count] = pollfd{wake_.fd(), POLLIN, 0};
    int r = ::poll(fds, static_cast<nfds_t>(count + 1), timeoutMs);
    if (r < 0)
        return errno == EINTR ? 0 : 1;
    if (r == 0)
        return 1;
    if (fds[count].revents & POLLIN) {
        wake_.consume();
        return 1;
    }
    // Let the next read report what the PCM has to say, errors included.
    unsigned short revents = 0;
    snd_pcm_poll_descriptors_revents(pcm_, fds, static_cast<unsigned>(count), &revents);
    return 0;
}

int AlsaCaptureSource::recover(int err) {
    if (err == -EINTR)
        return 0;
    if (err == -EPIPE) {
        overruns_.fetch_add(1, std::memory_order_relaxed);
        if ((err = snd_pcm_prepare(pcm_)) < 0)
            return err;
        return snd_pcm_start(pcm_);
    }
    if (err == -ESTRPIPE) {
        // The system was suspended; the device resumes or has to be restarted.
        for (int tries = 0; tries < 100 && (err = snd_pcm_resume(pcm_)) == -EAGAIN; ++tries)
            wake_.wait(10);
        if (err < 0 && (err = snd_pcm_prepare(pcm_)) < 0)
            return err;
        return snd_pcm_start(pcm_);
    }
    return err;
}

int AlsaCaptureSource::readBlock(uint8_t*& block, uint32_t bytes, int timeoutMs) {
    if (!pcm_ || bytes == 0 || bytes > buffer_.size() || bytes % format_.blockAlign) {
        wake_.wait(timeoutMs);
        return 0;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (filled_ < bytes) {
        snd_pcm_uframes_t want = (bytes - filled_) / format_.blockAlign;
        snd_pcm_sframes_t n = snd_pcm_readi(pcm_, buffer_.data() + filled_, want);
        if (n > 0) {
            filled_ += static_cast<uint32_t>(n) * format_.blockAlign;
            continue;
        }
        if (n == 0 || n == -EAGAIN) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 || waitReady(static_cast<int>(left.count())) != 0)
                return 0;
            continue;
        }
        int err = recover(static_cast<int>(n));
        if (err < 0)
            return fail(err, "capture failed");
    }
    filled_ = 0;
    block = buffer_.data();
    return static_cast<int>(bytes);
}

} // namespace vorlane
