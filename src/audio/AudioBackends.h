#pragma once

#include "audio/CaptureSource.h"
#include "audio/MonitorSink.h"

#include <memory>
#include <string>

namespace vorlane {

// Chooses the audio back ends at start-up from the environment:
//   VORLANE_CAPTURE_FILE   capture from this WAV file, looping, instead of a sound card
//   VORLANE_CAPTURE_SPEED  how many times faster than real time the file plays (default 1)
//   VORLANE_AUDIO_OUTPUT   "null": the monitor output goes nowhere
class AudioBackends {
public:
    static std::unique_ptr<CaptureSource> CreateCaptureSource();
    static std::unique_ptr<MonitorSink> CreateMonitorSink();

    // Reads a speed factor; anything that is not a positive finite number gives 1.
    static double ParseSpeed(const char* text);
};

} // namespace vorlane
