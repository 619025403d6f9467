#include "TestProgramFolder.h"
#include "config/ConfigManger.h"
#include "config/wIniFile.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace fs = std::filesystem;
using vorlane::ConfigManger;
using vorlane::wIniFile;
using vorlane::test::TestProgramFolder;

namespace {

constexpr const char* kSettings = "Configure/Config_LP.ini";
constexpr const char* kRegistry = "xdg-config/Tarnholt/RivorAzururu.ini";

std::string settingsFile(const std::string& softInfo, const std::string& rest = "") {
    return "[SoftInfo]\n" + softInfo + "\n" + rest;
}

const std::string kGoodSoftInfo = "SoftWareText=VorlaneLP Recorder\n"
                                  "Version=VorlaneLP 1.0.7.0\n"
                                  "CopyRight=Copyright (C) 2026 The Vorlane developers";

// A program folder made from the shipped data/, with its own documents folder.
class ConfigMangerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_DOCUMENTS_DIR");
        hadDocs_ = old != nullptr;
        oldDocs_ = old ? old : "";
        docs_ = (folder / "Documents").string();
        ::setenv("XDG_DOCUMENTS_DIR", docs_.c_str(), 1);
        // Tests below decide for themselves whether a language list exists.
        fs::remove(folder / "Language/LangType_LP.ini");
    }
    void TearDown() override {
        if (hadDocs_)
            ::setenv("XDG_DOCUMENTS_DIR", oldDocs_.c_str(), 1);
        else
            ::unsetenv("XDG_DOCUMENTS_DIR");
    }
    std::string program() const { return folder.path().string(); }

    TestProgramFolder folder;
    ConfigManger config;
    std::string docs_;

private:
    bool hadDocs_ = false;
    std::string oldDocs_;
};

} // namespace

TEST_F(ConfigMangerTest, ShippedSettingsLoadWithDefaults) {
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.SoftWareText, "VorlaneLP Recorder");
    EXPECT_EQ(config.Version, "VorlaneLP 1.0.7.0");
    EXPECT_EQ(config.CopyRight, ConfigManger::kCopyRight);
    EXPECT_EQ(config.RecordFileType, 1);
    EXPECT_EQ(config.RecordFileMP3BitRate, 2);
    EXPECT_EQ(config.RecordNo, 1);
    EXPECT_EQ(config.RecordTrack, 1);
    EXPECT_EQ(config.RecordDiviType, 0);
    EXPECT_EQ(config.RecordMuteSecond, 2);
    EXPECT_EQ(config.RecordDiviSecondTime, 1800);
    EXPECT_EQ(config.RecordVolume, 80);
    EXPECT_EQ(config.RecordBalance, 50); // the shipped file centres the balance
    EXPECT_EQ(config.SilenceLevel, 2);
    EXPECT_EQ(config.SilenceRecording, 0);
    EXPECT_EQ(config.RecordEndType, 0);
    EXPECT_EQ(config.ResumeSuspendTime, 3);
    EXPECT_EQ(config.MP3Genre, 0);
    EXPECT_EQ(config.SkinFolder, program() + "/Resource/Skin/");
    // No registry yet: defaults, and the key is created.
    EXPECT_EQ(config.LanguageID, 3);
    EXPECT_EQ(config.PlayVolume, 80);
    EXPECT_TRUE(fs::is_regular_file(folder / kRegistry));
}

TEST_F(ConfigMangerTest, EmptyRecordFilePathBecomesDocumentsFolderAndIsWrittenBack) {
    ASSERT_TRUE(config.Load());
    const std::string expected = docs_ + "/VorlaneLP Record Files";
    EXPECT_EQ(config.RecordFilePath, expected);
    wIniFile ini;
    ini.SetFile((folder / kSettings).string(), "Option");
    EXPECT_EQ(ini.ReadString("RecordFilePath", ""), expected);
    EXPECT_FALSE(fs::exists(expected)); // created only when a recording starts
    // The rest of the shipped file is untouched.
    EXPECT_NE(folder.readFile(kSettings).find("; 50 is the centre"), std::string::npos);
}

TEST_F(ConfigMangerTest, LongRecordFilePathIsReadWhole) {
    const std::string path = "/" + std::string(300, 'r');
    folder.writeFile(kSettings, settingsFile(kGoodSoftInfo, "[Option]\nRecordFilePath=" + path));
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.RecordFilePath, path);
}

TEST_F(ConfigMangerTest, LoadFailsWithoutAValidSettingsFile) {
    struct Case {
        const char* name;
        std::string content; // empty: no file at all
    } cases[] = {
        {"no file", ""},
        {"product text without the blank",
         settingsFile("SoftWareText=VorlaneLP\nVersion=VorlaneLP 1.0.7.0\n"
                      "CopyRight=Copyright (C) 2026 The Vorlane developers")},
        {"product text of another case",
         settingsFile("SoftWareText=vorlanelp Recorder\nVersion=VorlaneLP 1.0.7.0\n"
                      "CopyRight=Copyright (C) 2026 The Vorlane developers")},
        {"other notice", settingsFile("SoftWareText=VorlaneLP Recorder\n"
                                      "Version=VorlaneLP 1.0.7.0\nCopyRight=Someone else")},
        {"no notice", settingsFile("SoftWareText=VorlaneLP Recorder\nVersion=VorlaneLP 1.0.7.0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(folder / kSettings);
        if (!c.content.empty())
            folder.writeFile(kSettings, c.content);
        ConfigManger fresh;
        EXPECT_FALSE(fresh.Load());
    }
    // A folder of that name is no settings file either.
    fs::remove(folder / kSettings);
    fs::create_directories(folder / kSettings);
    EXPECT_FALSE(config.Load());
}

TEST_F(ConfigMangerTest, OlderVersionIsRewrittenInAWritableFile) {
    const std::string before =
        settingsFile("SoftWareText=VorlaneLP Recorder\nVersion=VorlaneLP 1.0.6.2\n"
                     "CopyRight=Copyright (C) 2026 The Vorlane developers",
                     "[Option]\nRecordFilePath=/music\n");
    folder.writeFile(kSettings, before);
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.Version, "VorlaneLP 1.0.7.0");
    std::string expected = before;
    expected.replace(expected.find("1.0.6.2"), 7, "1.0.7.0");
    EXPECT_EQ(folder.readFile(kSettings), expected);
}

TEST_F(ConfigMangerTest, OlderVersionInAReadOnlyFileFailsAndChangesNothing) {
    const std::string before =
        settingsFile("SoftWareText=VorlaneLP Recorder\nVersion=VorlaneLP 1.0.6.2\n"
                     "CopyRight=Copyright (C) 2026 The Vorlane developers");
    folder.writeFile(kSettings, before);
    fs::permissions(folder / kSettings, fs::perms(0444));
    EXPECT_FALSE(config.Load());
    EXPECT_EQ(folder.readFile(kSettings), before);
}

TEST_F(ConfigMangerTest, ReadOnlyCurrentFileStillLoads) {
    fs::permissions(folder / kSettings, fs::perms(0444));
    const std::string before = folder.readFile(kSettings);
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.RecordFilePath, docs_ + "/VorlaneLP Record Files");
    EXPECT_EQ(folder.readFile(kSettings), before);
}

TEST_F(ConfigMangerTest, OnlyTheYearOfTheTagSurvivesLoad) {
    folder.writeFile(kSettings,
                     settingsFile(kGoodSoftInfo, "[ID3V1Information]\nMP3Title=Side A\n"
                                                 "MP3Artist=Band\nMP3Album=LP\nMP3Year=1977\n"
                                                 "MP3Comment=mint\nMP3Genre=17\n"));
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.MP3Title, "");
    EXPECT_EQ(config.MP3Artist, "");
    EXPECT_EQ(config.MP3Album, "");
    EXPECT_EQ(config.MP3Comment, "");
    EXPECT_EQ(config.MP3Genre, 0);
    EXPECT_EQ(config.MP3Year, "1977");
}

TEST_F(ConfigMangerTest, ALongerYearIsCutToTheFourCharactersThePanelShows) {
    for (auto [stored, loaded] :
         std::vector<std::pair<std::string, std::string>>{{"19771", "1977"},
                                                          {"1977-05-01", "1977"},
                                                          {"平成元年五月", "平成元年"},
                                                          {"77", "77"}}) {
        folder.writeFile(
            kSettings, settingsFile(kGoodSoftInfo, "[ID3V1Information]\nMP3Year=" + stored + "\n"));
        ASSERT_TRUE(config.Load());
        EXPECT_EQ(config.MP3Year, loaded) << stored;
    }
}

TEST_F(ConfigMangerTest, MissingOptionKeysGiveTheirDefaults) {
    folder.writeFile(kSettings, settingsFile(kGoodSoftInfo, "[option]\nRECORD VOLUME = 65\n"));
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.RecordVolume, 65);
    EXPECT_EQ(config.RecordBalance, 25);
    EXPECT_EQ(config.RecordDiviSecondTime, 1800);
    EXPECT_EQ(config.RecordFileType, 1);
}

TEST_F(ConfigMangerTest, RegistryValuesAreRead) {
    folder.writeFile(kRegistry, "[General]\nLanguageID=1\nPlayVolume=35\n");
    folder.writeFile("Language/LangType_LP.ini", "[Files]\n1=Japanese\n3=English\n");
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.LanguageID, 1);
    EXPECT_EQ(config.PlayVolume, 35);
    EXPECT_EQ(config.LanguageFolder, program() + "/Language/Japanese/");
    EXPECT_EQ(config.LanguageFile, program() + "/Language/Japanese/Japanese.ini");
}

TEST_F(ConfigMangerTest, LanguageIdTenIsLookedUpAsHexKeyA) {
    folder.writeFile(kRegistry, "[General]\nLanguageID=10\n");
    folder.writeFile("Language/LangType_LP.ini", "[Files]\n10=Wrong\na=Deutsch\n");
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.LanguageFile, program() + "/Language/Deutsch/Deutsch.ini");
}

TEST_F(ConfigMangerTest, WithoutLanguageListTheLanguageIsEnglish) {
    folder.writeFile(kRegistry, "[General]\nLanguageID=2\n");
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.LanguageFolder, program() + "/Language/English/");
    EXPECT_EQ(config.LanguageFile, program() + "/Language/English/English.ini");
}

TEST_F(ConfigMangerTest, UnlistedLanguageFallsBackToEnglish) {
    folder.writeFile(kRegistry, "[General]\nLanguageID=99\n");
    folder.writeFile("Language/LangType_LP.ini", "[Files]\n3=English\n");
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.LanguageFile, program() + "/Language/English/English.ini");
}

TEST_F(ConfigMangerTest, SetLanguageIdStoresItAndDerivesThePaths) {
    folder.writeFile("Language/LangType_LP.ini", "[Files]\n3=English\nb=Korean\n");
    ASSERT_TRUE(config.Load());
    ASSERT_TRUE(config.SetLanguageID(11));
    EXPECT_EQ(config.LanguageID, 11);
    EXPECT_EQ(config.LanguageFile, program() + "/Language/Korean/Korean.ini");
    ConfigManger reloaded;
    ASSERT_TRUE(reloaded.Load());
    EXPECT_EQ(reloaded.LanguageID, 11);
}

TEST_F(ConfigMangerTest, SaveCountersAndWriteSettingGoToTheOptionSection) {
    ASSERT_TRUE(config.Load());
    config.RecordNo = 4;
    config.RecordTrack = 12;
    config.RecordMuteSecond = 6;
    ASSERT_TRUE(config.SaveCounters());
    ASSERT_TRUE(ConfigManger::WriteSetting("Option", "Record Balance", 70));
    ASSERT_TRUE(ConfigManger::WriteSetting("ID3V1Information", "MP3Year", "1969"));

    ConfigManger reloaded;
    ASSERT_TRUE(reloaded.Load());
    EXPECT_EQ(reloaded.RecordNo, 4);
    EXPECT_EQ(reloaded.RecordTrack, 12);
    EXPECT_EQ(reloaded.RecordMuteSecond, 6);
    EXPECT_EQ(reloaded.RecordBalance, 70);
    EXPECT_EQ(reloaded.MP3Year, "1969");
}

TEST_F(ConfigMangerTest, LoadRunsAgainOnTheSameRecord) {
    ASSERT_TRUE(config.Load());
    ConfigManger::WriteSetting("Option", "RecordNo", 9);
    config.MP3Title = "typed in";
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.RecordNo, 9);
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
    EXPECT_EQ(ConfigManger::GenreName(0), "Blues");
    EXPECT_EQ(ConfigManger::GenreName(79), "Hard Rock");
    EXPECT_EQ(ConfigManger::GenreName(80), "Folk");
    EXPECT_EQ(ConfigManger::GenreName(147), "Synthpop");
    EXPECT_EQ(ConfigManger::GenreName(148), "");
    EXPECT_EQ(ConfigManger::GenreName(-1), "");
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
