#include "LanguageFontCheck.h"

#include "config/ConfigManger.h"
#include "config/IniText.h"
#include "config/wIniFile.h"
#include "ui/LanguageTexts.h"

#include <QFontMetrics>
#include <QSet>
#include <QStringView>

namespace vorlane {

namespace {

QString uncoveredIn(QStringView text, const QFontMetrics& metrics, QSet<char32_t>& seen) {
    QString missing;
    for (const char32_t c : text.toUcs4()) {
        // Blanks and control characters are never drawn.
        if (c < 0x21 || QChar::isSpace(c) || seen.contains(c))
            continue;
        seen.insert(c);
        if (!metrics.inFontUcs4(c))
            missing += QString::fromUcs4(&c, 1);
    }
    return missing;
}

} // namespace

QString LanguageFontCheck::uncoveredCharacters(const std::string& languageFile, const QFont& font) {
    const std::optional<ini::DecodedText> decoded = wIniFile::LoadText(languageFile);
    if (!decoded)
        return {};
    const QFontMetrics metrics(font);
    QSet<char32_t> seen;
    QString missing;
    std::string_view rest = decoded->text;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const ini::Line parsed = ini::parseLine(line);
        if (parsed.kind == ini::Line::Kind::Key && parsed.hasValue)
            missing += uncoveredIn(QString::fromStdString(parsed.value), metrics, seen);
    }
    return missing;
}

std::optional<QString> LanguageFontCheck::noteFor(const ConfigManger& config, const QFont& font) {
    const std::string& file = config.LanguageFile;
    if (!checked_.insert(file).second)
        return std::nullopt;
    const QString missing = uncoveredCharacters(file, font);
    if (missing.isEmpty())
        return std::nullopt;
    static constexpr std::string_view kEnglish =
        "No font on this computer can show all the texts of the chosen language (%1 "
        "characters are missing), so they appear as boxes. Install a font for Chinese and "
        "Japanese, such as the package fonts-wqy-microhei, and start the program again.";
    QString note = LanguageTexts(config, LanguageTexts::kMessage).text("Font missing ", kEnglish);
    QSet<char32_t> seen;
    if (!uncoveredIn(note, QFontMetrics(font), seen).isEmpty())
        note = QString::fromUtf8(kEnglish.data(), qsizetype(kEnglish.size()));
    return note.arg(missing.toUcs4().size());
}

} // namespace vorlane
