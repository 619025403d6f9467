#pragma once

#include "config/wIniFile.h"

#include <QString>
#include <array>
#include <string>
#include <string_view>

namespace vorlane {

class ConfigManger;

// Reads interface texts from the active language file, one section at a time. Each read
// opens the file anew (no caching), so the next application of texts after a language
// change, or after the file was edited, shows the new texts. A missing file or key gives
// the built-in default that the caller passes; keys are matched without case and without
// the blanks around them, so "Close " finds "Close=".
//
//     LanguageTexts texts(config, LanguageTexts::kWindowText);
//     closeButton->setToolTip(texts.text("Close ", "Close"));
//
// Thread contract: an object is used on one thread; the settings record's LanguageFile is
// read once, at construction, on the thread that changes it (the GUI thread).
class LanguageTexts {
public:
    static constexpr std::string_view kWindowText = "WindowText";
    static constexpr std::string_view kTooltip = "Tooltip";
    static constexpr std::string_view kMenuText = "MenuText";
    static constexpr std::string_view kMessage = "Message";

    // The language file of the settings record (its LanguageFile).
    LanguageTexts(const ConfigManger& config, std::string_view section);
    LanguageTexts(std::string languageFile, std::string_view section);

    // The text of the key, or def; at most wIniFile::kMaxValueChars characters.
    std::string string(std::string_view key, std::string_view def) const;
    QString text(std::string_view key, std::string_view def) const;

    const std::string& file() const { return ini_.FilePath(); }

    // A tray tip of this many characters or more is not applied.
    static constexpr int kTrayTipLimit = 128;
    static bool fitsTrayTip(const QString& text) { return text.size() < kTrayTipLimit; }

    // The display names of the four languages of the language list, index = LanguageID.
    // Names missing from the list file (or a missing file) get English names in the order
    // of the shipped list.
    static std::array<QString, 4> languageTitles();

private:
    wIniFile ini_;
};

} // namespace vorlane
