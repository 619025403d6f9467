// vorlane-bench --format wav|mp3|wma|flac --minutes N [--runs R] [--output FILE] [--keep]
// vorlane-bench --catalogue   (see CatalogueBench.h)
//
// Pushes N minutes of a synthetic stereo signal through the capture engine's real block
// processing (gain and balance, monitor copy to a null output, writer fan-out, channel
// split) and the record writer of the format, as fast as it can, and ends with
//   format=<f> minutes=<N> realtime_factor=<x>
// where x is minutes of sound processed per minute of wall-clock time.
//
// For mp3, wma and flac the same sound (recorded to a WAV file first, untimed) is then
// encoded by the reference encoder of the system, `lame -b 128 -m j -q 5`,
// `ffmpeg -c:a wmav2 -b:a 128k` or `flac -5`, and the line ends with
//   reference_realtime_factor=<y> ratio=<x/y>
// Both are timed R times (--runs, 3 unless given), alternately, and the best of each
// counts, which steadies the figures on a busy machine.
#include "CatalogueBench.h"
#include "SyntheticCaptureSource.h"
#include "audio/CSoundCapture.h"
#include "audio/NullMonitorSink.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace vorlane;
namespace fs = std::filesystem;

namespace {
int usage(const char* why) {
    std::fprintf(stderr,
                 "vorlane-bench: %s\n"
                 "usage: vorlane-bench [--format wav|mp3|wma|flac] [--minutes N] [--runs R] "
                 "[--output FILE] [--keep]\n"
                 "       vorlane-bench --catalogue\n",
                 why);
    return 2;
}

struct Run {
    bool ok = false;
    double seconds = 0;
    uint64_t blocks = 0;
    uint32_t blockFrames = 0;
    uint64_t bytes = 0;
    std::string error;
};

// Records `minutes` of the synthetic signal into `output` through the capture engine, as
// the program does, and times it from the start of the recording to the closed file.
Run record(int fileType, double minutes, const std::string& output) {
    Run run;
    CSoundCapture capture(std::make_unique<SyntheticCaptureSource>(),
                          std::make_unique<NullMonitorSink>());
    // An audio adapter with volume and balance set, so that the gain path does its work.
    std::atomic<int> volume{80}, balance{60}, type{0xD105};
    capture.BindSettings(volume, balance, type);
    if (capture.Init() != 0 || capture.Start() != 0) {
        run.error = "the capture engine did not start";
        return run;
    }
    run.blockFrames = capture.BlockSize() / 4;
    run.blocks = static_cast<uint64_t>(std::ceil(minutes * 60 * 44100 / run.blockFrames));
    auto t0 = std::chrono::steady_clock::now();
    if (!capture.StartRecording(output, FileTypeFromSetting(fileType))) {
        run.error = "the recording could not start: " + capture.RecordErrorText();
        return run;
    }
    for (uint64_t i = 0; i < run.blocks; ++i) {
        capture.ProcessNotification();
        if (!capture.IsRecording())
            break;
    }
    bool failed = !capture.IsRecording();
    capture.Stop();
    capture.RequestStop();
    capture.ProcessNotification(); // closes the file
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::error_code ec;
    run.bytes = fs::file_size(output, ec);
    if (failed || capture.RecordError() != 0) {
        run.error = "the recording failed: " + capture.RecordErrorText();
        return run;
    }
    run.ok = true;
    return run;
}

// Runs a command with its output silenced; the wall-clock seconds it took, or -1.
double timeCommand(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    auto t0 = std::chrono::steady_clock::now();
    pid_t pid = -1;
    int err = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}
} // namespace

int main(int argc, char** argv) {
    std::string format = "wav";
    double minutes = 30;
    int runs = 3;
    std::string output;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--catalogue")
            return RunCatalogueBench();
        if ((a == "--format" || a == "--minutes" || a == "--output" || a == "--runs") &&
            i + 1 >= argc)
            return usage(("missing value after " + a).c_str());
        if (a == "--format") {
            format = argv[++i];
        } else if (a == "--minutes") {
            char* end = nullptr;
            minutes = std::strtod(argv[++i], &end);
            if (*end || !std::isfinite(minutes) || minutes <= 0)
                return usage("--minutes needs a positive number");
        } else if (a == "--runs") {
            char* end = nullptr;
            long r = std::strtol(argv[++i], &end, 10);
            if (*end || r < 1 || r > 100)
                return usage("--runs needs a number from 1 to 100");
            runs = static_cast<int>(r);
        } else if (a == "--output") {
            output = argv[++i];
        } else if (a == "--keep") {
            keep = true;
        } else {
            return usage(("unknown argument " + a).c_str());
        }
    }
    int fileType = format == "wav"    ? 0
                   : format == "mp3"  ? 1
                   : format == "wma"  ? 2
                   : format == "flac" ? 3
                                      : -1;
    if (fileType < 0)
        return usage(("unknown format " + format).c_str());
    const std::string stem =
        (fs::temp_directory_path() / ("vorlane-bench-" + std::to_string(::getpid()))).string();
    if (output.empty())
        output = stem + "." + format;
    const std::string referenceInput = stem + "-input.wav";
    const std::string referenceOutput = stem + "-reference." + format;
    auto cleanUp = [&] {
        std::error_code ec;
        if (!keep)
            fs::remove(output, ec);
        fs::remove(referenceInput, ec);
        fs::remove(referenceOutput, ec);
    };

    std::vector<std::string> reference;
    if (fileType == 1)
        reference = {"lame", "--quiet", "-b", "128",          "-m",
                     "j",    "-q",      "5",  referenceInput, referenceOutput};
    else if (fileType == 2)
        reference = {"ffmpeg",       "-nostdin", "-v",    "error", "-y",   "-i",
                     referenceInput, "-c:a",     "wmav2", "-b:a",  "128k", referenceOutput};
    else if (fileType == 3)
        reference = {"flac", "--silent", "-f", "-5", "-o", referenceOutput, referenceInput};
    if (!reference.empty()) {
        Run input = record(0, minutes, referenceInput);
        if (!input.ok) {
            cleanUp();
            return std::fprintf(stderr, "vorlane-bench: %s\n", input.error.c_str()), 1;
        }
    }

    Run best;
    double bestReference = -1;
    for (int r = 0; r < runs; ++r) {
        Run run = record(fileType, minutes, output);
        if (!run.ok) {
            cleanUp();
            std::fprintf(stderr, "vorlane-bench: the %s %s\n", format.c_str(), run.error.c_str());
            return 1;
        }
        if (r == 0 || run.seconds < best.seconds)
            best = run;
        if (!reference.empty()) {
            double s = timeCommand(reference);
            if (s < 0) {
                cleanUp();
                std::fprintf(stderr, "vorlane-bench: the reference encoder (%s) failed\n",
                             reference[0].c_str());
                return 1;
            }
            if (bestReference < 0 || s < bestReference)
                bestReference = s;
        }
    }
    std::error_code sizeError;
    const auto referenceBytes = reference.empty() ? 0 : fs::file_size(referenceOutput, sizeError);
    cleanUp();

    double audioSeconds = static_cast<double>(best.blocks) * best.blockFrames / 44100.0;
    double factor = audioSeconds / best.seconds;
    std::printf("vorlane-bench: %llu blocks (%.1f s of sound, %llu bytes) in %.3f s\n",
                static_cast<unsigned long long>(best.blocks), audioSeconds,
                static_cast<unsigned long long>(best.bytes), best.seconds);
    if (reference.empty()) {
        std::printf("format=%s minutes=%g realtime_factor=%.1f\n", format.c_str(), minutes, factor);
        return 0;
    }
    double referenceFactor = audioSeconds / bestReference;
    std::printf("vorlane-bench: %s took %.3f s (%llu bytes)\n", reference[0].c_str(), bestReference,
                static_cast<unsigned long long>(sizeError ? 0 : referenceBytes));
    std::printf("format=%s minutes=%g realtime_factor=%.1f reference_realtime_factor=%.1f "
                "ratio=%.2f\n",
                format.c_str(), minutes, factor, referenceFactor, factor / referenceFactor);
    return 0;
}
