#pragma once

#include "ToneFile.h"

#include <QProcess>
#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vorlane::test {

// Playback goes to a fakesink that keeps time: no sound card is needed.
inline void useNullAudioOutput() {
    ::setenv("VORLANE_AUDIO_OUTPUT", "null", 1);
}

// A short tone as WAV, or encoded to another format by ffmpeg.
inline bool writeTone(const std::filesystem::path& file, double seconds) {
    const std::string ext = file.extension().string();
    if (ext == ".wav") {
        writeToneWav(file, {{seconds, 440}});
        return std::filesystem::exists(file);
    }
    const std::filesystem::path wav = file.string() + ".source.wav";
    writeToneWav(wav, {{seconds, 440}});
    QStringList args{"-v", "error", "-y", "-i", QString::fromStdString(wav.string())};
    if (ext == ".wma")
        args << "-c:a"
             << "wmav2";
    args << QString::fromStdString(file.string());
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", args);
    const bool ok = ffmpeg.waitForFinished(30000) && ffmpeg.exitCode() == 0;
    std::filesystem::remove(wav);
    return ok && std::filesystem::exists(file);
}

} // namespace vorlane::test
