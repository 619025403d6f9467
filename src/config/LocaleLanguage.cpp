#include "LocaleLanguage.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <string>

namespace vorlane {

namespace {

struct Names {
    LocaleLanguage::Language language;
    std::string_view listName;
    std::string_view localeName;
};
constexpr std::array<Names, 4> kNames = {{
    {LocaleLanguage::Language::SimplifiedChinese, "SimplifiedChinese", "zh_CN"},
    {LocaleLanguage::Language::TraditionalChinese, "TraditionalChinese", "zh_TW"},
    {LocaleLanguage::Language::Japanese, "Japanese", "ja"},
    {LocaleLanguage::Language::English, "English", "en"},
}};

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// "ja_JP.UTF-8@euro" -> "ja_JP": the codeset and modifier say nothing of the language.
std::string_view withoutCodeset(std::string_view name) {
    return name.substr(0, name.find_first_of(".@"));
}

bool isCLocale(std::string_view name) {
    const std::string_view base = withoutCodeset(name);
    return base == "C" || base == "POSIX";
}

} // namespace

std::optional<LocaleLanguage::Language> LocaleLanguage::OfLocaleName(std::string_view name) {
    name = withoutCodeset(name);
    if (name == "C" || name == "POSIX")
        return Language::English;
    // Language, then script and territory, with '_' (POSIX) or '-' (BCP 47) between them.
    std::size_t end = name.find_first_of("_-");
    const std::string language = upper(name.substr(0, end));
    if (language == "EN")
        return Language::English;
    if (language == "JA")
        return Language::Japanese;
    if (language != "ZH")
        return std::nullopt;
    bool traditional = false;
    while (end != std::string_view::npos) {
        const std::size_t start = end + 1;
        end = name.find_first_of("_-", start);
        const std::string part = upper(name.substr(start, end - start));
        if (part == "HANS")
            return Language::SimplifiedChinese; // the script decides over the territory
        if (part == "HANT")
            return Language::TraditionalChinese;
        if (part == "TW" || part == "HK" || part == "MO")
            traditional = true;
    }
    return traditional ? Language::TraditionalChinese : Language::SimplifiedChinese;
}

const char* LocaleLanguage::SystemEnvironment(const char* name) {
    return std::getenv(name);
}

LocaleLanguage::Language LocaleLanguage::FromEnvironment(const Environment& env) {
    auto value = [&env](const char* name) -> std::string_view {
        const char* v = env(name);
        return v ? std::string_view(v) : std::string_view();
    };
    std::string_view locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = value(name);
        if (!locale.empty())
            break;
    }
    if (locale.empty() || isCLocale(locale))
        return Language::English;
    std::string_view list = value("LANGUAGE");
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string_view entry = list.substr(0, colon);
        if (const std::optional<Language> language = OfLocaleName(entry)) {
            // A bare "zh" says nothing of the script; a Chinese locale does.
            const std::optional<Language> ofLocale = OfLocaleName(locale);
            const bool chinese =
                ofLocale == Language::SimplifiedChinese || ofLocale == Language::TraditionalChinese;
            if (upper(withoutCodeset(entry)) == "ZH" && chinese)
                return *ofLocale;
            return *language;
        }
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    }
    return OfLocaleName(locale).value_or(Language::English);
}

std::string_view LocaleLanguage::ListName(Language language) {
    for (const Names& n : kNames)
        if (n.language == language)
            return n.listName;
    return "English";
}

std::optional<LocaleLanguage::Language> LocaleLanguage::FromListName(std::string_view name) {
    for (const Names& n : kNames)
        if (n.listName == name)
            return n.language;
    return std::nullopt;
}

std::string_view LocaleLanguage::LocaleName(Language language) {
    for (const Names& n : kNames)
        if (n.language == language)
            return n.localeName;
    return "en";
}

} // namespace vorlane
