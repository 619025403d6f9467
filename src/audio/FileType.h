#pragma once

namespace vorlane {

// The kind of file a recording writes. The numbers are the ones the settings store
// ("RecordFileType"), so they must not change.
enum class FileType : int { Wav = 0, Mp3 = 1, Wma = 2 };

// The stored number read as a file type: 0 WAV, 2 WMA, anything else MP3.
constexpr FileType FileTypeFromSetting(int stored) {
    return stored == 0 ? FileType::Wav : stored == 2 ? FileType::Wma : FileType::Mp3;
}

} // namespace vorlane
