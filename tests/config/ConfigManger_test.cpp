#include "TestProgramFolder.h"
#include "config/ConfigManger.h"
#include "config/wIniFile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <set>

namespace fs = std::filesystem;
using vorlane::ConfigManger;
using vorlane::wIniFile;
using vorlane::test::TestProgramFolder;

namespace {

constexpr const char* kSettings = "Configure/Config_LP.ini";
constexpr const char* kRegistry = "xdg-config/Tarnholt/RivorAzururu.ini";

// A settings file whose [SoftInfo] names this product, version and notice (none: no key).
std::string settingsFile(const std::string& rest = "",
                         const std::string& product = "VorlaneLP Recorder",
                         const std::string& version = "1.0.7.0",
                         const char* notice = "Copyright (C) 2026 The Vorlane developers") {
    return "[SoftInfo]\nSoftWareText=" + product + "\nVersion=VorlaneLP " + version + "\n" +
           (notice ? std::string("CopyRight=") + notice + "\n" : "") + rest;
}

// A program folder made from the shipped data/, with its own documents folder.
class ConfigMangerTest : public ::testing::Test {
protected:
    // Tests below decide for themselves whether a language list exists.
    void SetUp() override { fs::remove(folder / "Language/LangType_LP.ini"); }
    std::string program() const { return folder.path().string(); }
    void writeSettings(const std::string& rest) { folder.writeFile(kSettings, settingsFile(rest)); }

    TestProgramFolder folder;
    std::string docs_ = (folder / "Documents").string();
    vorlane::test::ScopedEnv docsEnv_{"XDG_DOCUMENTS_DIR", docs_};
    ConfigManger config;
};

} // namespace

TEST_F(ConfigMangerTest, ShippedSettingsLoadWithDefaults) {
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.SoftWareText, "VorlaneLP Recorder");
    EXPECT_EQ(config.Version, "VorlaneLP 1.0.7.0");
    EXPECT_EQ(config.CopyRight, ConfigManger::kCopyRight);
    const std::vector<int> got = {config.RecordFileType,
                                  config.RecordFileMP3BitRate,
                                  config.RecordNo,
                                  config.RecordTrack,
                                  config.RecordDiviType,
                                  config.RecordMuteSecond,
                                  config.RecordDiviSecondTime,
                                  config.RecordVolume,
                                  config.RecordBalance,
                                  config.SilenceLevel,
                                  config.SilenceRecording,
                                  config.RecordEndType,
                                  config.ResumeSuspendTime,
                                  config.MP3Genre};
    // The shipped file centres the balance.
    EXPECT_EQ(got, (std::vector<int>{1, 2, 1, 1, 0, 2, 1800, 80, 50, 2, 0, 0, 3, 0}));
    EXPECT_EQ(config.SkinFolder, program() + "/Resource/Skin/");
    // No registry yet: defaults, and the key is created.
    EXPECT_EQ(config.LanguageID, 3);
    EXPECT_EQ(config.PlayVolume, 80);
    EXPECT_TRUE(fs::is_regular_file(folder / kRegistry));

    // An empty record folder becomes one in the documents folder and is written back; the
    // rest of the shipped file is untouched, and the folder is made only by a recording.
    const std::string expected = docs_ + "/VorlaneLP Record Files";
    EXPECT_EQ(config.RecordFilePath, expected);
    wIniFile ini;
    ini.SetFile((folder / kSettings).string(), "Option");
    EXPECT_EQ(ini.ReadString("RecordFilePath", ""), expected);
    EXPECT_FALSE(fs::exists(expected));
    EXPECT_NE(folder.readFile(kSettings).find("; 50 is the centre"), std::string::npos);
}

TEST_F(ConfigMangerTest, OptionKeysAreReadWholeOrGiveTheirDefaults) {
    const std::string path = "/" + std::string(300, 'r');
    writeSettings("[option]\nRECORD VOLUME = 65\nRecordFilePath=" + path + "\n");
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.RecordFilePath, path);
    EXPECT_EQ(config.RecordVolume, 65);
    EXPECT_EQ(config.RecordBalance, 25);
    EXPECT_EQ(config.RecordDiviSecondTime, 1800);
    EXPECT_EQ(config.RecordFileType, 1);
}

TEST_F(ConfigMangerTest, LoadFailsWithoutAValidSettingsFileAndSaysWhy) {
    using F = ConfigManger::LoadFailure;
    struct Case {
        const char* name;
        std::optional<std::string> content; // none: no file at all
        F why;
    } cases[] = {
        {"no file", std::nullopt, F::Missing},
        {"empty file", std::string(), F::Empty},
        {"binary file",
         std::string("\x7f"
                     "ELF\x02\x01\x01\0\0\0\xff\xfe=[\n\x01",
                     16),
         F::Damaged},
        {"product text without the blank", settingsFile("", "VorlaneLP"), F::Damaged},
        {"product text of another case", settingsFile("", "vorlanelp Recorder"), F::Damaged},
        {"other notice", settingsFile("", "VorlaneLP Recorder", "1.0.7.0", "Someone else"),
         F::Damaged},
        {"no notice", settingsFile("", "VorlaneLP Recorder", "1.0.7.0", nullptr), F::Damaged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(folder / kSettings);
        if (c.content)
            folder.writeFile(kSettings, *c.content);
        ConfigManger fresh;
        EXPECT_FALSE(fresh.Load());
        EXPECT_EQ(fresh.LoadError(), c.why);
    }
    // A folder of that name is no settings file either.
    fs::remove(folder / kSettings);
    fs::create_directories(folder / kSettings);
    EXPECT_FALSE(config.Load());
    EXPECT_EQ(config.LoadError(), F::Unreadable);
    EXPECT_EQ(config.LoadErrno(), EISDIR);
}

// An older version is rewritten where the file may be written; a read-only file loads
// only when it needs no change, and is never changed.
TEST_F(ConfigMangerTest, OlderVersionIsRewrittenOnlyInAWritableFile) {
    struct Case {
        const char* version;
        bool readOnly, loads;
        const char* option;
    } cases[] = {{"1.0.6.2", false, true, "[Option]\nRecordFilePath=/music\n"},
                 {"1.0.6.2", true, false, ""},
                 {"1.0.7.0", true, true, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.version) + (c.readOnly ? " read-only" : ""));
        fs::remove(folder / kSettings);
        const std::string before = settingsFile(c.option, "VorlaneLP Recorder", c.version);
        folder.writeFile(kSettings, before);
        if (c.readOnly)
            fs::permissions(folder / kSettings, fs::perms(0444));
        ConfigManger fresh;
        EXPECT_EQ(fresh.Load(), c.loads);
        EXPECT_EQ(fresh.LoadError(), c.loads ? ConfigManger::LoadFailure::None
                                             : ConfigManger::LoadFailure::NotWritable);
        std::string expected = before;
        if (!c.readOnly)
            expected.replace(expected.find(c.version), 7, "1.0.7.0");
        EXPECT_EQ(folder.readFile(kSettings), expected);
        if (c.loads) {
            EXPECT_EQ(fresh.Version, "VorlaneLP 1.0.7.0");
        }
        if (c.loads && c.readOnly) { // the documents folder is used, though not written back
            EXPECT_EQ(fresh.RecordFilePath, docs_ + "/VorlaneLP Record Files");
        }
    }
}

// Only the year of the tag survives a start, cut to the four characters the panel shows.
TEST_F(ConfigMangerTest, OnlyTheYearOfTheTagSurvivesLoad) {
    for (auto [stored, loaded] :
         std::vector<std::pair<std::string, std::string>>{{"1977", "1977"},
                                                          {"19771", "1977"},
                                                          {"1977-05-01", "1977"},
                                                          {"平成元年五月", "平成元年"},
                                                          {"77", "77"}}) {
        writeSettings("[ID3V1Information]\nMP3Title=Side A\nMP3Artist=Band\nMP3Album=LP\n"
                      "MP3Comment=mint\nMP3Genre=17\nMP3Year=" +
                      stored + "\n");
        ASSERT_TRUE(config.Load());
        EXPECT_EQ(config.MP3Year, loaded) << stored;
        EXPECT_EQ(config.MP3Title + config.MP3Artist + config.MP3Album + config.MP3Comment, "");
        EXPECT_EQ(config.MP3Genre, 0);
    }
}

// The language list is keyed by the id in hexadecimal; without a list or an entry for the
// id, the language is English.
TEST_F(ConfigMangerTest, LanguageFolderComesFromTheRegistryIdAndTheList) {
    struct Case {
        int id;
        const char* list; // nullptr: no list
        const char* language;
    } cases[] = {{1, "[Files]\n1=Japanese\n3=English\n", "Japanese"},
                 {10, "[Files]\n10=Wrong\na=Deutsch\n", "Deutsch"},
                 {2, nullptr, "English"},
                 {99, "[Files]\n3=English\n", "English"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        folder.writeFile(kRegistry,
                         "[General]\nLanguageID=" + std::to_string(c.id) + "\nPlayVolume=35\n");
        fs::remove(folder / "Language/LangType_LP.ini");
        if (c.list)
            folder.writeFile("Language/LangType_LP.ini", c.list);
        ASSERT_TRUE(config.Load());
        EXPECT_EQ(config.LanguageID, c.id);
        EXPECT_EQ(config.PlayVolume, 35);
        const std::string dir = program() + "/Language/" + c.language + "/";
        EXPECT_EQ(config.LanguageFolder, dir);
        EXPECT_EQ(config.LanguageFile, dir + c.language + ".ini");
    }
}

// The user's locale, with nothing else in the environment to say otherwise.
struct Locale {
    explicit Locale(const char* lang) : lang_("LANG", std::string(lang)) {}
    vorlane::test::ScopedEnv language_{"LANGUAGE", std::nullopt}, all_{"LC_ALL", std::nullopt},
        messages_{"LC_MESSAGES", std::nullopt}, lang_;
};

// The first start of a user (no registry key yet) stores the locale's language, also when
// the settings cannot load (the error box speaks it); a stored id holds in any locale. The
// settings file never carries it. Whatever the language list holds, the choice is an id the
// settings dialog offers whose texts are there: the locale's language, else English, else 3.
TEST_F(ConfigMangerTest, TheFirstStartStoresTheLocalesLanguageFromWhatTheListOffers) {
    const std::string shipped =
        vorlane::test::readBytes(VORLANE_SOURCE_DATA_DIR "/Language/LangType_LP.ini");
    const std::string binary("\x7f"
                             "ELF\0\xff\xfe[Files\x01=\n2=Jap",
                             20);
    struct Case {
        const char* lang;
        std::optional<std::string> list; // nullopt: no list
        bool japaneseTexts;
        int id;
        const char* language;
    } cases[] = {
        {"zh_CN.UTF-8", shipped, true, 0, "SimplifiedChinese"},
        {"zh_HK.UTF-8", shipped, true, 1, "TraditionalChinese"},
        {"ja_JP.UTF-8", shipped, true, 2, "Japanese"},
        {"de_DE.UTF-8", shipped, true, 3, "English"},
        {"ja_JP.UTF-8", shipped, false, 3, "English"},
        {"ja_JP.UTF-8", "[Files]\n0=English\n1=Japanese\n", true, 1, "Japanese"},
        {"ja_JP.UTF-8", "[Files]\n0=SimplifiedChinese\n1=English\n", true, 1, "English"},
        {"ja_JP.UTF-8", "[Files]\n7=Japanese\n3=English\n", true, 3, "English"},
        {"ja_JP.UTF-8", binary, true, 3, "English"},
        {"ja_JP.UTF-8", std::nullopt, true, 3, "English"},
    };
    const std::string japanese = folder.readFile("Language/Japanese/Japanese.ini");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lang) + " " + c.list.value_or("no list").substr(0, 40));
        fs::remove(folder / kRegistry);
        fs::remove(folder / "Language/LangType_LP.ini");
        if (c.list)
            folder.writeFile("Language/LangType_LP.ini", *c.list);
        fs::remove(folder / "Language/Japanese/Japanese.ini");
        if (c.japaneseTexts)
            folder.writeFile("Language/Japanese/Japanese.ini", japanese);
        {
            Locale locale(c.lang);
            ASSERT_TRUE(config.Load());
        }
        EXPECT_EQ(config.LanguageID, c.id);
        EXPECT_EQ(config.LanguageName(), c.language);
        EXPECT_TRUE(fs::is_regular_file(config.LanguageFile)) << config.LanguageFile;
        EXPECT_NE(folder.readFile(kRegistry).find("LanguageID=" + std::to_string(c.id)),
                  std::string::npos);
        Locale other("zh_TW.UTF-8");
        ASSERT_TRUE(config.Load());
        EXPECT_EQ(config.LanguageID, c.id);
    }
    EXPECT_EQ(folder.readFile(kSettings).find("LanguageID"), std::string::npos);

    fs::remove(folder / kRegistry);
    fs::remove(folder / kSettings);
    folder.writeFile("Language/LangType_LP.ini", shipped);
    Locale locale("ja_JP.UTF-8");
    ConfigManger failed;
    ASSERT_FALSE(failed.Load());
    failed.LoadLanguage();
    EXPECT_EQ(failed.LanguageID, 2);
}

// A key without a language, left by an earlier version whose users saw English, stays so.
TEST_F(ConfigMangerTest, AKeyWithoutALanguageKeepsTheDefault) {
    Locale japanese("ja_JP.UTF-8");
    fs::copy_file(VORLANE_SOURCE_DATA_DIR "/Language/LangType_LP.ini",
                  folder / "Language/LangType_LP.ini");
    folder.writeFile(kRegistry, "[General]\nPlayVolume=35\n");
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.LanguageID, 3);
    EXPECT_EQ(folder.readFile(kRegistry), "[General]\nPlayVolume=35\n");
}

TEST_F(ConfigMangerTest, SaveCountersAndWriteSettingGoToTheOptionSection) {
    ASSERT_TRUE(config.Load());
    config.RecordMuteSecond = 6;
    ASSERT_TRUE(config.SaveCounters());
    ASSERT_TRUE(ConfigManger::WriteSetting("Option", "Record Balance", 70));
    ASSERT_TRUE(ConfigManger::WriteSetting("ID3V1Information", "MP3Year", "1969"));

    // Loading again on the same record reads the file anew and clears the tag.
    config.RecordMuteSecond = 9;
    config.MP3Title = "typed in";
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.RecordMuteSecond, 6);
    EXPECT_EQ(config.RecordBalance, 70);
    EXPECT_EQ(config.MP3Year, "1969");
    EXPECT_EQ(config.MP3Title, "");
}

TEST_F(ConfigMangerTest, ShippedGenreListHas148DistinctNames) {
    std::set<std::string> names;
    for (int genre = 0; genre < 148; ++genre) {
        std::string name = ConfigManger::GenreName(genre);
        EXPECT_FALSE(name.empty()) << genre;
        names.insert(name);
        EXPECT_EQ(ConfigManger::GenreNumber(name), genre) << name;
    }
    EXPECT_EQ(names.size(), 148u);
    const std::vector<std::string> samples = {
        ConfigManger::GenreName(0),   ConfigManger::GenreName(79),  ConfigManger::GenreName(80),
        ConfigManger::GenreName(147), ConfigManger::GenreName(148), ConfigManger::GenreName(-1)};
    EXPECT_EQ(samples,
              (std::vector<std::string>{"Blues", "Hard Rock", "Folk", "Synthpop", "", ""}));
}

TEST_F(ConfigMangerTest, GenreNumberNeedsAnExactMatchAndTakesTheFirst) {
    folder.writeFile("Configure/idtag3.ini", "[Genre]\n0=Rock\n2=Jazz\n5=Jazz\n");
    EXPECT_EQ(ConfigManger::GenreNumber("Jazz"), 2);
    EXPECT_EQ(ConfigManger::GenreNumber("jazz"), ConfigManger::kUnknownGenre);
    EXPECT_EQ(ConfigManger::GenreNumber("Polka"), ConfigManger::kUnknownGenre);
    // Key 1 is missing; a missing key matches no name, not even an empty one.
    EXPECT_EQ(ConfigManger::GenreNumber(""), ConfigManger::kUnknownGenre);
    EXPECT_EQ(ConfigManger::GenreName(1), "");
    fs::remove(folder / "Configure/idtag3.ini");
    EXPECT_EQ(ConfigManger::GenreNumber("Rock"), ConfigManger::kUnknownGenre);
}

TEST(ConfigMangerJoinPath, JoinsWithOneSlash) {
    struct Case {
        const char* folder;
        const char* name;
        const char* expected;
    } cases[] = {
        {"/opt/v/Configure", "Config_LP.ini", "/opt/v/Configure/Config_LP.ini"},
        {"/opt/v/Configure/", "Config_LP.ini", "/opt/v/Configure/Config_LP.ini"},
        {"/opt/v/Configure\\\\//", "\\/idtag3.ini", "/opt/v/Configure/idtag3.ini"},
        {"/", "x.ini", "//x.ini"}, // the first character stays
        {"\\\\", "x.ini", "\\/x.ini"},
        {"", "x.ini", "/x.ini"},
        {"/a", "", "/a/"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConfigManger::JoinPath(c.folder, c.name), c.expected)
            << c.folder << " + " << c.name;
}
