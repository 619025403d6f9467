#pragma once

namespace vorlane {

// The kind of file a recording writes. The numbers are the ones the settings store
// ("RecordFileType"), so they must not change.
enum class FileType : int { Wav = 0, Mp3 = 1, Wma = 2, Flac = 3 };

// The stored number read as a file type: 0 WAV, 2 WMA, 3 FLAC, anything else MP3.
constexpr FileType FileTypeFromSetting(int stored) {
    switch (stored) {
    case 0:
        return FileType::Wav;
    case 2:
        return FileType::Wma;
    case 3:
        return FileType::Flac;
    default:
        return FileType::Mp3;
    }
}

// The file name extension of a file type, with its dot.
constexpr const char* FileTypeExtension(FileType type) {
    switch (type) {
    case FileType::Wav:
        return ".wav";
    case FileType::Wma:
        return ".wma";
    case FileType::Flac:
        return ".flac";
    case FileType::Mp3:
        break;
    }
    return ".mp3";
}

} // namespace vorlane
