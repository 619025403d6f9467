// vorlane-bench --format wav|mp3|wma --minutes N [--output FILE] [--keep]
//
// Pushes N minutes of a synthetic stereo signal through the capture engine's real block
// processing (gain and balance, monitor copy to a null output, writer fan-out, channel
// split) and the record writer of the format, as fast as it can, and ends with
//   format=<f> minutes=<N> realtime_factor=<x>
// where x is minutes of sound processed per minute of wall-clock time.
#include "SyntheticCaptureSource.h"
#include "audio/CSoundCapture.h"
#include "audio/NullMonitorSink.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace vorlane;

namespace {
int usage(const char* why) {
    std::fprintf(stderr,
                 "vorlane-bench: %s\n"
                 "usage: vorlane-bench [--format wav|mp3|wma] [--minutes N] [--output FILE] "
                 "[--keep]\n",
                 why);
    return 2;
}
} // namespace

int main(int argc, char** argv) {
    std::string format = "wav";
    double minutes = 30;
    std::string output;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if ((a == "--format" || a == "--minutes" || a == "--output") && i + 1 >= argc)
            return usage(("missing value after " + a).c_str());
        if (a == "--format") {
            format = argv[++i];
        } else if (a == "--minutes") {
            char* end = nullptr;
            minutes = std::strtod(argv[++i], &end);
            if (*end || !std::isfinite(minutes) || minutes <= 0)
                return usage("--minutes needs a positive number");
        } else if (a == "--output") {
            output = argv[++i];
        } else if (a == "--keep") {
            keep = true;
        } else {
            return usage(("unknown argument " + a).c_str());
        }
    }
    int fileType = format == "wav" ? 0 : format == "mp3" ? 1 : format == "wma" ? 2 : -1;
    if (fileType < 0)
        return usage(("unknown format " + format).c_str());
    if (output.empty())
        output = (std::filesystem::temp_directory_path() /
                  ("vorlane-bench-" + std::to_string(::getpid()) + "." + format))
                     .string();

    CSoundCapture capture(std::make_unique<SyntheticCaptureSource>(),
                          std::make_unique<NullMonitorSink>());
    // An audio adapter with volume and balance set, so that the gain path does its work.
    std::atomic<int> volume{80}, balance{60}, type{0xD105};
    capture.BindSettings(volume, balance, type);
    if (capture.Init() != 0 || capture.Start() != 0)
        return std::fprintf(stderr, "vorlane-bench: the capture engine did not start\n"), 1;

    const uint32_t blockFrames = capture.BlockSize() / 4;
    const auto blocks = static_cast<uint64_t>(std::ceil(minutes * 60 * 44100 / blockFrames));
    auto t0 = std::chrono::steady_clock::now();
    if (!capture.StartRecording(output, fileType)) {
        std::fprintf(stderr, "vorlane-bench: the %s recording could not start\n", format.c_str());
        return 1;
    }
    for (uint64_t i = 0; i < blocks; ++i) {
        capture.ProcessNotification();
        if (!capture.IsRecording())
            break;
    }
    bool failed = !capture.IsRecording();
    capture.Stop();
    capture.RequestStop();
    capture.ProcessNotification(); // closes the file
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

    std::error_code ec;
    auto size = std::filesystem::file_size(output, ec);
    if (!keep)
        std::filesystem::remove(output, ec);
    if (failed || capture.RecordError() != 0) {
        std::fprintf(stderr, "vorlane-bench: the recording failed: %s\n",
                     capture.RecordErrorText().c_str());
        return 1;
    }
    double audioSeconds = static_cast<double>(blocks) * blockFrames / 44100.0;
    std::printf("vorlane-bench: %llu blocks (%.1f s of sound, %llu bytes) in %.3f s\n",
                static_cast<unsigned long long>(blocks), audioSeconds,
                static_cast<unsigned long long>(size), seconds);
    std::printf("format=%s minutes=%g realtime_factor=%.1f\n", format.c_str(), minutes,
                audioSeconds / seconds);
    return 0;
}
