#pragma once

#include <QFont>
#include <QString>
#include <optional>
#include <set>
#include <string>

namespace vorlane {

class ConfigManger;

// Whether the installed fonts can show a language file's texts. A system without a font
// for Chinese or Japanese draws those texts as boxes; the user is told once per language
// instead of being left with a panel that cannot be read.
//
//     if (auto note = fontCheck.noteFor(config, font()))
//         reportError(note->toStdString());
//
// Thread contract: GUI thread only (it asks Qt's font database).
class LanguageFontCheck {
public:
    // The characters of the file's texts (the values of every section) that neither the
    // font nor any font Qt falls back to can draw, each once, in the order of the file.
    // Empty when the file cannot be read: the built-in English texts are shown then.
    static QString uncoveredCharacters(const std::string& languageFile, const QFont& font);

    // The note for the user when the texts of the settings record's language cannot all
    // be shown with the font and that language file was not checked before; else none.
    // The note is in the language itself where the fonts can show it, else in English.
    std::optional<QString> noteFor(const ConfigManger& config, const QFont& font);

private:
    std::set<std::string> checked_;
};

} // namespace vorlane
