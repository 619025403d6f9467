#pragma once

#include "config/LocaleLanguage.h"
#include "config/wIniFile.h"

#include <atomic>
#include <string>
#include <string_view>

namespace vorlane {

// The settings record of the process: one field per setting of Configure/Config_LP.ini and
// of the registry key, plus the derived language and skin paths.
//
// Threads: integer fields are atomics read without locks by any thread (the capture thread
// reads RecordVolume and RecordBalance for every block; relaxed order is enough). String
// fields are changed only on the user-interface threads (the panel's and CMainDlg's, which
// reloads while the panel waits for it). Load() uses the inherited wIniFile state and must
// not run on two threads at once; the other members use private accessors.
class ConfigManger : private wIniFile {
public:
    // What a valid settings file must say in section "SoftInfo".
    static constexpr std::string_view kSoftWarePrefix = "VorlaneLP ";
    static constexpr std::string_view kVersion = "VorlaneLP 1.0.7.0";
    static constexpr std::string_view kCopyRight = "Copyright (C) 2026 The Vorlane developers";
    // The registry key of the program's per-user values.
    static constexpr std::string_view kRegistryKey = "SOFTWARE\\Tarnholt\\RivorAzururu";
    // Genres are numbered 0 to 147; this number stands for a name not in the list.
    static constexpr int kUnknownGenre = 148;
    // The year field holds four characters, on the panel and in the tags alike.
    static constexpr std::size_t kYearChars = 4;
    // The language without a stored one (English in the shipped list), and how many
    // languages the settings dialog offers (ids 0 to 3).
    static constexpr int kDefaultLanguageID = 3;
    static constexpr int kLanguageCount = 4;

    ConfigManger() = default;
    ~ConfigManger() override;
    ConfigManger(const ConfigManger&) = delete;
    ConfigManger& operator=(const ConfigManger&) = delete;

    std::string SoftWareText;
    std::string Version;
    std::string CopyRight;
    std::atomic<int> LanguageID{kDefaultLanguageID};
    std::string LanguageFile;
    std::string LanguageFolder; // ends in '/'
    std::string SkinFolder;     // ends in '/'
    std::atomic<int> SilenceRecording{0};
    std::atomic<int> PlayVolume{80};
    std::atomic<int> RecordEndType{0};
    std::atomic<int> RecordVolume{80};
    std::atomic<int> RecordBalance{25};
    std::atomic<int> SilenceLevel{2};
    std::atomic<int> RecordFileType{1};
    std::atomic<int> RecordFileMP3BitRate{2};
    std::string RecordFilePath;
    std::atomic<int> RecordNo{1};
    std::atomic<int> RecordTrack{1};
    std::atomic<int> RecordDiviType{0};
    std::atomic<int> RecordMuteSecond{2};
    // 1: a silence division starts the next file just before the next track's sound.
    std::atomic<int> CutBeforeNextTrack{0};
    std::atomic<int> RecordDiviSecondTime{1800};
    std::string MP3Title;
    std::string MP3Artist;
    std::string MP3Album;
    std::string MP3Year;
    std::string MP3Comment;
    std::atomic<int> MP3Genre{0};
    std::atomic<int> ResumeSuspendTime{3};

    // Why Load() failed.
    enum class LoadFailure {
        None,
        Missing,     // no settings file
        Unreadable,  // it cannot be read (LoadErrno() says why)
        Empty,       // it holds nothing
        Damaged,     // it is not a settings file of this product (binary, cut, another's)
        NotWritable, // its version must be brought up to date, and it cannot be written
    };

    // Reads every setting from the program folder's files and the registry. False when the
    // settings file is missing or is not this product's (the program cannot run then);
    // fields read before the failing step keep their new values, and LoadError() says why.
    bool Load();
    LoadFailure LoadError() const { return loadFailure_; }
    int LoadErrno() const { return loadErrno_; }
    // The language of the registry and the paths of its texts (part of Load; on its own
    // for the texts of a failed Load). At the user's first start (the registry key does not
    // exist yet) the language of the user's locale is chosen and stored; a key that exists
    // keeps what it says, and one without "LanguageID" gives the default as it always did.
    void LoadLanguage(const LocaleLanguage::Environment& env = &LocaleLanguage::SystemEnvironment);
    // The id under which the language list offers `language` with its texts file present;
    // else that of English; else kDefaultLanguageID.
    static int LanguageIdFor(LocaleLanguage::Language language);
    // The name of the active language in the list ("Japanese"), as LanguageFile carries it.
    std::string LanguageName() const;

    // Writes "RecordNo", "RecordTrack" and "RecordMuteSecond" of section "Option".
    bool SaveCounters();

    // Stores a new language in the registry and derives LanguageFolder and LanguageFile
    // for it anew. False when the registry could not be written (the fields change anyway).
    bool SetLanguageID(int languageId);
    // Derives LanguageFolder and LanguageFile from LanguageID and the language list.
    void UpdateLanguagePaths();

    // Writes one key of the settings file at once.
    static bool WriteSetting(std::string_view section, std::string_view key, int value);
    static bool WriteSetting(std::string_view section, std::string_view key,
                             std::string_view value);

    // The genre list: the name of a number (empty when it has none) and the number of a
    // name (the first whose name is exactly it, else kUnknownGenre).
    static std::string GenreName(int genre);
    static int GenreNumber(std::string_view name);

    // Files below the program folder, built anew from it on each call.
    static std::string SettingsFilePath();
    static std::string GenreFilePath();
    static std::string LanguageListPath();

    // `name` under `folder`: trailing '\' or '/' of the folder removed (never its first
    // character), one '/', leading '\' or '/' of the name skipped.
    static std::string JoinPath(std::string_view folder, std::string_view name);

private:
    bool failLoad(LoadFailure why, int err = 0);

    LoadFailure loadFailure_ = LoadFailure::None;
    int loadErrno_ = 0;
};

} // namespace vorlane
