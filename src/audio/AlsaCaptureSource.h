#pragma once

#include "audio/CaptureSource.h"
#include "audio/WakeEvent.h"

#include <atomic>
#include <vector>

typedef struct _snd_pcm snd_pcm_t;

namespace vorlane {

// Capture from an ALSA PCM. The devices offered are the "plughw" device of every sound
// card (format conversion in ALSA, no mixing with other programs), every PCM defined in
// the ALSA configuration that can capture, such as a private test device, and the sound
// server's source of each card, described by the card's name. When a card's device is
// busy because the sound server holds it, open takes the server's source for that card
// (through ALSA's pulse plugin) instead.
//
// Thread contract: as CaptureSource. The PCM is used by one thread at a time: the
// controlling thread while the capture thread is parked, else the capture thread.
class AlsaCaptureSource : public CaptureSource {
public:
    AlsaCaptureSource();
    ~AlsaCaptureSource() override;

    std::vector<CaptureDevice> listDevices() override;
    int open(const std::string& id, const WaveFormat& format, uint32_t periodFrames,
             uint32_t periods) override;
    int start() override;
    void stop() override;
    void close() override;
    bool isOpen() const override { return pcm_ != nullptr; }
    int readBlock(uint8_t*& block, uint32_t bytes, int timeoutMs) override;
    void wake() override { wake_.signal(); }
    WaveFormat actualFormat() const override { return format_; }
    uint32_t overruns() const override { return overruns_.load(std::memory_order_relaxed); }
    std::string errorText() const override { return error_; }

    // The PCM name that was opened ("default" for the default device).
    const std::string& openedName() const { return name_; }

    // Builds the description offered for a PCM: a card's PCM starts with the card's name
    // followed by two blanks, because USB product strings may end in blanks that the
    // kernel trims from the card name and device searches include them.
    static std::string Describe(const std::string& cardName, const std::string& hintText);

protected:
    struct Card {
        int index = -1;
        std::string name;
    };
    // The sound card a PCM name belongs to; index -1 and no name when none.
    virtual Card cardOf(const std::string& pcmName);
    // Opens a PCM for capture, without blocking; 0 or a negative errno.
    virtual int openPcm(snd_pcm_t** pcm, const std::string& name);

private:
    // Opens the sound server's source of the busy card name_ names; -EBUSY when none.
    int openThroughSoundServer();
    int fail(int err, const std::string& what);
    // Waits for the PCM or the wake event; 0 on sound ready, 1 when woken or timed out.
    int waitReady(int timeoutMs);
    int recover(int err);

    snd_pcm_t* pcm_ = nullptr;
    std::string name_;
    WaveFormat format_;
    std::vector<uint8_t> buffer_;
    uint32_t filled_ = 0; // bytes of the next block already read
    std::atomic<uint32_t> overruns_{0};
    std::string error_;
    WakeEvent wake_;
};

} // namespace vorlane
