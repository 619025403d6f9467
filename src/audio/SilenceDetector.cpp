#include "audio/SilenceDetector.h"

namespace vorlane {

void SilenceDetector::SetLevel(int channel, float level, int silenceLevel) {
    if (channel == 0 || channel == 1)
        quiet_[channel] = level < static_cast<float>(silenceLevel) + 1.0f;
}

bool SilenceDetector::Step(int recordMuteSecond) {
    ++counter_;
    if (!inSilence_) {
        if (!(quiet_[0] && quiet_[1])) {
            counter_ = 0;
        } else if (counter_ >= static_cast<int64_t>(recordMuteSecond) * kUpdatesPerSecond) {
            counter_ = 0;
            inSilence_ = true;
            return true;
        }
    } else if (quiet_[0] || quiet_[1]) {
        // During silence one quiet channel is enough to hold it.
        counter_ = 0;
    } else if (counter_ >= kUpdatesPerSecond) {
        counter_ = 0;
        inSilence_ = false;
    }
    return false;
}

} // namespace vorlane
