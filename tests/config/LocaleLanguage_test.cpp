#include "config/LocaleLanguage.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using vorlane::LocaleLanguage;
using L = LocaleLanguage::Language;

namespace {

struct EnvCase {
    const char* language; // LANGUAGE; nullptr: not set
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    L expected;
};

LocaleLanguage::Environment environment(const EnvCase& c) {
    std::map<std::string, const char*> vars = {{"LANGUAGE", c.language},
                                               {"LC_ALL", c.lcAll},
                                               {"LC_MESSAGES", c.lcMessages},
                                               {"LANG", c.lang}};
    return [vars](const char* name) -> const char* {
        auto it = vars.find(name);
        return it == vars.end() ? nullptr : it->second;
    };
}

} // namespace

TEST(LocaleLanguage, TheLocaleOfTheEnvironmentPicksTheLanguage) {
    const EnvCase cases[] = {
        // One locale in LANG.
        {nullptr, nullptr, nullptr, "zh_CN.UTF-8", L::SimplifiedChinese},
        {nullptr, nullptr, nullptr, "zh_TW.UTF-8", L::TraditionalChinese},
        {nullptr, nullptr, nullptr, "zh_HK.UTF-8", L::TraditionalChinese},
        {nullptr, nullptr, nullptr, "zh_SG.UTF-8", L::SimplifiedChinese},
        {nullptr, nullptr, nullptr, "zh_MO", L::TraditionalChinese},
        {nullptr, nullptr, nullptr, "zh", L::SimplifiedChinese},
        {nullptr, nullptr, nullptr, "ja_JP.UTF-8", L::Japanese},
        {nullptr, nullptr, nullptr, "de_DE.UTF-8", L::English},
        {nullptr, nullptr, nullptr, "C", L::English},
        {nullptr, nullptr, nullptr, "C.UTF-8", L::English},
        {nullptr, nullptr, nullptr, "POSIX", L::English},
        {nullptr, nullptr, nullptr, "", L::English},
        {nullptr, nullptr, nullptr, nullptr, L::English},
        // LC_ALL beats LC_MESSAGES beats LANG; an empty variable counts as not set.
        {nullptr, "ja_JP.UTF-8", "zh_TW.UTF-8", "zh_CN.UTF-8", L::Japanese},
        {nullptr, "de_DE.UTF-8", "ja_JP.UTF-8", nullptr, L::English},
        {nullptr, nullptr, "zh_TW.UTF-8", "ja_JP.UTF-8", L::TraditionalChinese},
        {nullptr, "", "", "ja_JP.UTF-8", L::Japanese},
        {nullptr, "C", "ja_JP.UTF-8", "ja_JP.UTF-8", L::English},
        // LANGUAGE: the first entry we ship wins, over the locale.
        {"ja:en", nullptr, nullptr, "de_DE.UTF-8", L::Japanese},
        {"de:fr:zh_TW", nullptr, nullptr, "en_US.UTF-8", L::TraditionalChinese},
        {"en:ja", "ja_JP.UTF-8", nullptr, nullptr, L::English},
        {"fr:de", nullptr, nullptr, "ja_JP.UTF-8", L::Japanese},
        {"::zh-Hant", nullptr, nullptr, "de_DE.UTF-8", L::TraditionalChinese},
        {"zh_Hans_HK", nullptr, nullptr, "de_DE.UTF-8", L::SimplifiedChinese},
        {"zh:ja", nullptr, nullptr, "zh_TW.UTF-8", L::TraditionalChinese},
        // ... but not under the C locale, as gettext has it.
        {"ja", nullptr, nullptr, "C.UTF-8", L::English},
        {"ja", nullptr, nullptr, nullptr, L::English},
    };
    for (const EnvCase& c : cases) {
        SCOPED_TRACE(std::string("LANGUAGE=") + (c.language ? c.language : "-") +
                     " LC_ALL=" + (c.lcAll ? c.lcAll : "-") + " LC_MESSAGES=" +
                     (c.lcMessages ? c.lcMessages : "-") + " LANG=" + (c.lang ? c.lang : "-"));
        EXPECT_EQ(LocaleLanguage::FromEnvironment(environment(c)), c.expected);
    }
}
