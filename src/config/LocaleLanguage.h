#pragma once

#include <functional>
#include <optional>
#include <string_view>

namespace vorlane {

// Which of the shipped languages suits the user's locale, and the names each language goes
// by: its folder and file in the language list, and its locale name for Qt's translations.
//
// The environment is read as gettext reads it for messages: the locale is the first set
// (non-empty) of LC_ALL, LC_MESSAGES and LANG; when that is C or POSIX (with any codeset),
// or none is set, the language is English and LANGUAGE is not read. Otherwise the first
// entry of the colon list LANGUAGE that names one of our languages wins, and without one
// the locale's own language does (English for a language we do not ship).
// Chinese: Traditional for the script Hant and for Taiwan, Hong Kong and Macau; Simplified
// for the script Hans, for every other territory (China, Singapore, ...) and for plain "zh".
class LocaleLanguage {
public:
    enum class Language { SimplifiedChinese, TraditionalChinese, Japanese, English };

    // The value of an environment variable, null when it is not set.
    using Environment = std::function<const char*(const char*)>;
    // The process's environment (getenv).
    static const char* SystemEnvironment(const char* name);

    // The language of one locale name ("zh_TW.UTF-8", "ja", "zh-Hant", "C"); nullopt for a
    // language none of ours.
    static std::optional<Language> OfLocaleName(std::string_view name);
    // The language for the user's messages, from the environment as described above.
    static Language FromEnvironment(const Environment& env = &SystemEnvironment);

    // The name of the language in the shipped language list ("Japanese"): its folder under
    // Language/ and its file name there without ".ini".
    static std::string_view ListName(Language language);
    static std::optional<Language> FromListName(std::string_view name);
    // Its locale name ("ja", "zh_CN"), as translations are named.
    static std::string_view LocaleName(Language language);
};

} // namespace vorlane
