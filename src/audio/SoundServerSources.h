#pragma once

#include <string>
#include <vector>

namespace vorlane {

// One capture source of the desktop's sound server.
struct SoundServerSource {
    std::string name;        // the server's name for it, as ALSA's pulse plugin takes it
    std::string description; // what the desktop shows
    int card = -1;           // the ALSA card it captures from, -1 when none
    std::string cardName;    // that card's name
};

// The capture sources of a running sound server that speaks the PulseAudio protocol
// (PulseAudio itself, or PipeWire with its PulseAudio service). On today's desktops the
// server holds the sound cards open, so a card's own ALSA device answers "busy" and the
// server's source for that card is the way to its sound.
//
// Thread contract: List may be called from any thread; it blocks at most timeoutMs.
class SoundServerSources {
public:
    // The sources that capture from a sound card (monitors of outputs are left out). Empty
    // when no server runs; a server is never started for this.
    static std::vector<SoundServerSource> List(int timeoutMs = 1000);

    // The source for a card: the one of that card number, else the first of that name.
    static const SoundServerSource* ForCard(const std::vector<SoundServerSource>& sources, int card,
                                            const std::string& cardName);

    // The ALSA PCM that captures from a source through the server.
    static std::string PcmName(const std::string& sourceName);
};

} // namespace vorlane
