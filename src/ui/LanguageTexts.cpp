#include "LanguageTexts.h"

#include "config/ConfigManger.h"

namespace vorlane {

LanguageTexts::LanguageTexts(const ConfigManger& config, std::string_view section)
    : LanguageTexts(config.LanguageFile, section) {}

LanguageTexts::LanguageTexts(std::string languageFile, std::string_view section) {
    ini_.SetFile(std::move(languageFile), std::string(section));
}

std::string LanguageTexts::string(std::string_view key, std::string_view def) const {
    return ini_.ReadString(key, def);
}

QString LanguageTexts::text(std::string_view key, std::string_view def) const {
    return QString::fromStdString(string(key, def));
}

std::array<QString, 4> LanguageTexts::languageTitles() {
    // The same order as the ids of the shipped list, so that without a list the entry
    // shown for an id names the language that id has there.
    static constexpr std::string_view kDefaults[4] = {"Chinese.S", "Chinese.T", "Japanese",
                                                      "English"};
    wIniFile list;
    list.SetFile(ConfigManger::LanguageListPath(), "Titles");
    std::array<QString, 4> titles;
    for (int id = 0; id < 4; ++id)
        titles[id] = QString::fromStdString(list.ReadString(std::to_string(id), kDefaults[id]));
    return titles;
}

} // namespace vorlane
