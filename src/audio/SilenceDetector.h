#pragma once

#include <cstdint>

namespace vorlane {

// Decides from the channel levels when the input has gone silent. Silence begins after
// both channels stayed below the threshold for RecordMuteSecond seconds of updates (8 a
// second) and ends after both stayed at or above it for one second; so one silence gives
// one "silence began", and the next needs sound in between.
//
// The state lives as long as the panel and is not reset between recordings.
// Thread contract: one thread (the panel's).
class SilenceDetector {
public:
    static constexpr int kUpdatesPerSecond = 8;

    // Sets a channel's quiet flag (0 left, 1 right): quiet when level < silenceLevel + 1.
    // A channel without a block keeps its flag.
    void SetLevel(int channel, float level, int silenceLevel);
    // One update of the state machine. True when the input has just fallen silent.
    bool Step(int recordMuteSecond);

    bool InSilence() const { return inSilence_; }
    bool LeftQuiet() const { return quiet_[0]; }
    bool RightQuiet() const { return quiet_[1]; }
    int64_t Counter() const { return counter_; }

private:
    bool inSilence_ = false;
    bool quiet_[2] = {false, false};
    int64_t counter_ = 0;
};

} // namespace vorlane
