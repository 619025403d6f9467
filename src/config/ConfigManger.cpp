#include "ConfigManger.h"

#include "config/IniText.h"
#include "config/wRegistryKey.h"
#include "platform/ProgramFolder.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vorlane {

namespace {

constexpr int kGenreListSize = 148;

// The whole-number settings of [Option]: the field, its key, and what a missing key gives.
struct OptionNumber {
    std::atomic<int> ConfigManger::*field;
    const char* key;
    int missing;
};
constexpr OptionNumber kOptionNumbers[] = {
    {&ConfigManger::RecordFileType, "RecordFileType", 1},
    {&ConfigManger::RecordFileMP3BitRate, "RecordFileMP3BitRate", 2},
    {&ConfigManger::RecordNo, "RecordNo", 1},
    {&ConfigManger::RecordTrack, "RecordTrack", 1},
    {&ConfigManger::RecordDiviType, "RecordDiviType", 0},
    {&ConfigManger::RecordMuteSecond, "RecordMuteSecond", 2},
    {&ConfigManger::CutBeforeNextTrack, "CutBeforeNextTrack", 0},
    {&ConfigManger::RecordDiviSecondTime, "RecordDiviSecondTime", 1800},
    {&ConfigManger::RecordVolume, "Record Volume", 80},
    {&ConfigManger::RecordBalance, "Record Balance", 25},
    {&ConfigManger::SilenceLevel, "Silence Level", 2},
    {&ConfigManger::SilenceRecording, "Silence Recording", 0},
    {&ConfigManger::RecordEndType, "Record End Type", 0},
    {&ConfigManger::ResumeSuspendTime, "ResumeSuspendTime", 3},
};

std::string toHex(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", static_cast<unsigned>(static_cast<std::uint32_t>(value)));
    return buf;
}

} // namespace

ConfigManger::~ConfigManger() = default;

std::string ConfigManger::JoinPath(std::string_view folder, std::string_view name) {
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/'))
        folder.remove_suffix(1);
    while (!name.empty() && (name.front() == '\\' || name.front() == '/'))
        name.remove_prefix(1);
    std::string out(folder);
    out += '/';
    out += name;
    return out;
}

std::string ConfigManger::SettingsFilePath() {
    return JoinPath(ProgramFolder::path() + "/Configure", "Config_LP.ini");
}

std::string ConfigManger::GenreFilePath() {
    return JoinPath(ProgramFolder::path() + "/Configure", "idtag3.ini");
}

std::string ConfigManger::LanguageListPath() {
    return JoinPath(ProgramFolder::path() + "/Language", "LangType_LP.ini");
}

bool ConfigManger::failLoad(LoadFailure why, int err) {
    loadFailure_ = why;
    loadErrno_ = err;
    return false;
}

bool ConfigManger::Load() {
    loadFailure_ = LoadFailure::None;
    loadErrno_ = 0;
    const std::string program = ProgramFolder::path();
    const std::string file = SettingsFilePath();
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (!fs::exists(status))
        return failLoad(LoadFailure::Missing);
    if (!fs::is_regular_file(status))
        return failLoad(LoadFailure::Unreadable, EISDIR);
    // Told apart for the user: a file that cannot be read, and one that reads as nothing.
    if (int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
        ::close(fd);
    } else {
        return failLoad(LoadFailure::Unreadable, errno);
    }
    if (fs::file_size(file, ec) == 0 && !ec)
        return failLoad(LoadFailure::Empty);

    SetFile(file, "SoftInfo");
    SoftWareText = ReadString("SoftWareText", "");
    if (!SoftWareText.starts_with(kSoftWarePrefix))
        return failLoad(LoadFailure::Damaged);
    Version = ReadString("Version", "");
    if (Version != kVersion) {
        WriteString("Version", kVersion);
        Version = ReadString("Version", "");
        if (Version != kVersion)
            return failLoad(LoadFailure::NotWritable); // it cannot be brought up to date
    }
    CopyRight = ReadString("CopyRight", "");
    if (CopyRight != kCopyRight)
        return failLoad(LoadFailure::Damaged);

    SetFile(file, "Option");
    // Read whole: a folder path cut at 259 characters would send recordings elsewhere.
    RecordFilePath = ReadValue("RecordFilePath").value_or(std::string());
    if (RecordFilePath.empty()) {
        RecordFilePath = ProgramFolder::documentsFolder() + "/VorlaneLP Record Files";
        WriteString("RecordFilePath", RecordFilePath);
    }
    for (const OptionNumber& n : kOptionNumbers)
        this->*n.field = ReadInt(n.key, n.missing);

    SetFile(file, "ID3V1Information");
    MP3Title = ReadString("MP3Title", "");
    MP3Artist = ReadString("MP3Artist", "");
    MP3Album = ReadString("MP3Album", "");
    // Cut as the panel shows it, so that files and catalogue get what the user sees.
    MP3Year = ini::truncateChars(ReadString("MP3Year", ""), kYearChars);
    MP3Comment = ReadString("MP3Comment", "");
    MP3Genre = ReadInt("MP3Genre", 0);
    // Only the year carries over from one run to the next.
    MP3Title.clear();
    MP3Artist.clear();
    MP3Album.clear();
    MP3Comment.clear();
    MP3Genre = 0;

    LoadLanguage();
    SkinFolder = program + "/Resource/Skin/";
    wRegistryKey key;
    key.open(wRegistryKey::Root::CurrentUser, kRegistryKey);
    PlayVolume = static_cast<int>(key.readDword("PlayVolume", 80));
    return true;
}

void ConfigManger::LoadLanguage(const LocaleLanguage::Environment& env) {
    wRegistryKey key;
    key.open(wRegistryKey::Root::CurrentUser, kRegistryKey);
    if (key.created()) {
        // Stored at once, so that the choice holds however the locale changes later.
        LanguageID = LanguageIdFor(LocaleLanguage::FromEnvironment(env));
        key.writeDword("LanguageID", static_cast<std::uint32_t>(LanguageID.load()));
    } else {
        // An earlier start that stored nothing meant the default, and still does.
        LanguageID = static_cast<int>(key.readDword("LanguageID", kDefaultLanguageID));
    }
    UpdateLanguagePaths();
}

int ConfigManger::LanguageIdFor(LocaleLanguage::Language language) {
    const std::string list = LanguageListPath();
    std::error_code ec;
    if (!fs::is_regular_file(list, ec))
        return kDefaultLanguageID;
    wIniFile files;
    files.SetFile(list, "Files");
    const std::string folder = ProgramFolder::path() + "/Language/";
    auto idOf = [&](LocaleLanguage::Language wanted) -> std::optional<int> {
        const std::string_view want = LocaleLanguage::ListName(wanted);
        for (int id = 0; id < kLanguageCount; ++id) {
            if (files.ReadString(toHex(id), "") != want)
                continue;
            std::error_code e;
            const std::string texts = folder + std::string(want) + "/" + std::string(want) + ".ini";
            if (fs::is_regular_file(texts, e))
                return id;
        }
        return std::nullopt;
    };
    if (std::optional<int> id = idOf(language))
        return *id;
    return idOf(LocaleLanguage::Language::English).value_or(kDefaultLanguageID);
}

std::string ConfigManger::LanguageName() const {
    return fs::path(LanguageFile).stem().string();
}

void ConfigManger::UpdateLanguagePaths() {
    LanguageFolder = ProgramFolder::path() + "/Language/";
    const std::string list = LanguageListPath();
    std::string name;
    std::error_code ec;
    if (fs::is_regular_file(list, ec)) {
        wIniFile files;
        files.SetFile(list, "Files");
        name = files.ReadString(toHex(LanguageID.load()), "");
    }
    // An id missing from the list (or no list) gets the shipped English texts rather than
    // a file that does not exist.
    if (name.empty())
        name = "English";
    LanguageFolder += name + "/";
    LanguageFile = LanguageFolder + name + ".ini";
}

bool ConfigManger::SetLanguageID(int languageId) {
    wRegistryKey key;
    bool stored = key.open(wRegistryKey::Root::CurrentUser, kRegistryKey) &&
                  key.writeDword("LanguageID", static_cast<std::uint32_t>(languageId));
    LanguageID = languageId;
    UpdateLanguagePaths();
    return stored;
}

bool ConfigManger::SaveCounters() {
    wIniFile ini;
    ini.SetFile(SettingsFilePath(), "Option");
    bool ok = ini.WriteInt("RecordNo", RecordNo.load());
    ok = ini.WriteInt("RecordTrack", RecordTrack.load()) && ok;
    ok = ini.WriteInt("RecordMuteSecond", RecordMuteSecond.load()) && ok;
    return ok;
}

bool ConfigManger::WriteSetting(std::string_view section, std::string_view key, int value) {
    wIniFile ini;
    ini.SetFile(SettingsFilePath(), std::string(section));
    return ini.WriteInt(key, value);
}

bool ConfigManger::WriteSetting(std::string_view section, std::string_view key,
                                std::string_view value) {
    wIniFile ini;
    ini.SetFile(SettingsFilePath(), std::string(section));
    return ini.WriteString(key, value);
}

std::string ConfigManger::GenreName(int genre) {
    wIniFile ini;
    ini.SetFile(GenreFilePath(), "Genre");
    return ini.ReadString(std::to_string(genre), "");
}

int ConfigManger::GenreNumber(std::string_view name) {
    std::optional<ini::DecodedText> text = LoadText(GenreFilePath());
    if (!text)
        return kUnknownGenre;
    for (int genre = 0; genre < kGenreListSize; ++genre) {
        std::optional<std::string> value =
            ini::findValue(text->text, "Genre", std::to_string(genre));
        // Compared as ReadString gives it; a missing key matches no name, not even "".
        if (value && ini::truncateChars(*value, kMaxValueChars) == name)
            return genre;
    }
    return kUnknownGenre;
}

} // namespace vorlane
