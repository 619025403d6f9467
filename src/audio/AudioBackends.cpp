#include "audio/AudioBackends.h"

#include "audio/AlsaCaptureSource.h"
#include "audio/AlsaMonitorSink.h"
#include "audio/FileCaptureSource.h"
#include "audio/NullMonitorSink.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vorlane {

double AudioBackends::ParseSpeed(const char* text) {
    if (!text || !*text)
        return 1.0;
    char* end = nullptr;
    double v = std::strtod(text, &end);
    while (end && *end == ' ')
        ++end;
    if (!end || *end != '\0' || !std::isfinite(v) || v <= 0)
        return 1.0;
    return v;
}

std::unique_ptr<CaptureSource> AudioBackends::CreateCaptureSource() {
    const char* file = std::getenv("VORLANE_CAPTURE_FILE");
    if (file && *file) {
        const char* speedText = std::getenv("VORLANE_CAPTURE_SPEED");
        double speed = ParseSpeed(speedText);
        if (speedText && *speedText && speed == 1.0 && std::strtod(speedText, nullptr) != 1.0)
            std::fprintf(stderr,
                         "vorlane: VORLANE_CAPTURE_SPEED=\"%s\" is not a positive number; "
                         "using 1\n",
                         speedText);
        return std::make_unique<FileCaptureSource>(file, speed);
    }
    return std::make_unique<AlsaCaptureSource>();
}

std::unique_ptr<MonitorSink> AudioBackends::CreateMonitorSink() {
    const char* out = std::getenv("VORLANE_AUDIO_OUTPUT");
    if (out && std::strcmp(out, "null") == 0)
        return std::make_unique<NullMonitorSink>();
    return std::make_unique<AlsaMonitorSink>();
}

} // namespace vorlane
