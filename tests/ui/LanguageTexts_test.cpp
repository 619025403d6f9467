#include "TestProgramFolder.h"
#include "config/ConfigManger.h"
#include "ui/LanguageTexts.h"

#include <gtest/gtest.h>

using namespace vorlane;
using vorlane::test::TestProgramFolder;

namespace {

const char* kShortFile = "[WindowText]\n"
                         "Stop=Halt\n"
                         "  close  =  Shut  \n"
                         "Empty=\n"
                         "[Message]\n"
                         "Repeat Task=Overlap!\n";

} // namespace

TEST(LanguageTexts, MissingKeysAndFilesGiveDefaultsAndEveryReadSeesTheFileAsItIsNow) {
    TestProgramFolder home;
    home.writeFile("Language/Test/Test.ini", kShortFile);
    const std::string file = (home / "Language/Test/Test.ini").string();
    LanguageTexts window(file, LanguageTexts::kWindowText);
    EXPECT_EQ(window.text("Record ", "Record"), "Record");
    EXPECT_EQ(window.text("Stop ", "Stop"), "Halt");
    EXPECT_EQ(window.text("Close ", "Close"), "Shut") << "case and blanks do not count";
    EXPECT_EQ(window.text("Empty", "Default"), "") << "a present empty value is the text";
    EXPECT_EQ(window.text("Repeat Task", "Repeat Task"), "Repeat Task") << "other section";
    LanguageTexts message(file, LanguageTexts::kMessage);
    EXPECT_EQ(message.text("Repeat Task", "Repeat Task"), "Overlap!");
    // Every read sees the file as it is now; without a file every text is its default.
    home.writeFile("Language/Test/Test.ini", "[WindowText]\nStop=Arrêt\n");
    EXPECT_EQ(window.text("Stop ", "Stop"), QString::fromUtf8("Arrêt"));
    LanguageTexts missing((home / "Language/Nowhere/Nowhere.ini").string(),
                          LanguageTexts::kTooltip);
    EXPECT_EQ(missing.text("NODEVICE ", "Please connect"), "Please connect");
}

TEST(LanguageTexts, ShippedLanguagesHaveTheirOwnTexts) {
    TestProgramFolder home;
    ConfigManger config;
    const struct {
        int id;
        const char* stop;
    } cases[] = {{0, "停止"}, {1, "停止"}, {2, "停止"}, {3, "Stop"}};
    for (const auto& c : cases) {
        config.SetLanguageID(c.id);
        LanguageTexts texts(config, LanguageTexts::kWindowText);
        EXPECT_EQ(texts.text("Stop ", "default"), QString::fromUtf8(c.stop)) << c.id;
    }
    config.SetLanguageID(0);
    EXPECT_EQ(LanguageTexts(config, LanguageTexts::kMenuText).text("Exit ", "Exit"),
              QString::fromUtf8("退出"));
}

TEST(LanguageTexts, LanguageTitlesComeFromTheListWithDefaultsInItsOrder) {
    TestProgramFolder home;
    auto titles = LanguageTexts::languageTitles();
    EXPECT_EQ(titles[0], QString::fromUtf8("简体中文"));
    EXPECT_EQ(titles[3], "English");
    home.writeFile("Language/LangType_LP.ini", "[Titles]\n1=Chinois traditionnel\n");
    titles = LanguageTexts::languageTitles();
    EXPECT_EQ(titles[0], "Chinese.S");
    EXPECT_EQ(titles[1], "Chinois traditionnel");
    EXPECT_EQ(titles[2], "Japanese");
    EXPECT_EQ(titles[3], "English");
}
