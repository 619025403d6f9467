#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "config/ConfigManger.h"
#include "platform/Messages.h"
#include "ui/LanguageTexts.h"
#include "ui/LocalizedWindow.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>

using namespace vorlane;
using vorlane::test::TestProgramFolder;

namespace {

const char* kShortFile = "[WindowText]\n"
                         "Stop=Halt\n"
                         "  close  =  Shut  \n"
                         "Empty=\n"
                         "[Message]\n"
                         "Repeat Task=Overlap!\n";

// The panel in miniature: a message window whose texts come from the language file.
class TextsDialog : public QDialog, public MessageWindow, public LocalizedWindow {
public:
    explicit TextsDialog(const ConfigManger& config) : config_(config) { label = new QLabel(this); }
    ~TextsDialog() override { MessageWindow::destroy(); }

    void applyTexts() override {
        ++applied;
        label->setText(
            LanguageTexts(config_, LanguageTexts::kWindowText).text("Record ", "Record"));
    }

    QLabel* label;
    int applied = 0;

protected:
    bool processMessage(const Message& m, intptr_t& result) override {
        return processLanguageMessage(m, result);
    }

private:
    const ConfigManger& config_;
};

} // namespace

TEST(LanguageTexts, MissingKeyGivesItsDefaultWhileTheOthersComeFromTheFile) {
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
}

TEST(LanguageTexts, MissingFileGivesEveryDefault) {
    TestProgramFolder home;
    LanguageTexts texts((home / "Language/Nowhere/Nowhere.ini").string(), LanguageTexts::kTooltip);
    EXPECT_EQ(texts.text("NODEVICE ", "Please connect phone first"), "Please connect phone first");
}

TEST(LanguageTexts, EveryReadSeesTheFileAsItIsNow) {
    TestProgramFolder home;
    home.writeFile("Language/Test/Test.ini", kShortFile);
    LanguageTexts texts((home / "Language/Test/Test.ini").string(), LanguageTexts::kWindowText);
    EXPECT_EQ(texts.text("Stop ", "Stop"), "Halt");
    home.writeFile("Language/Test/Test.ini", "[WindowText]\nStop=Arrêt\n");
    EXPECT_EQ(texts.text("Stop ", "Stop"), QString::fromUtf8("Arrêt"));
}

TEST(LanguageTexts, LanguageIdTwoMappedToEnglishReadsTheEnglishFile) {
    TestProgramFolder home;
    home.writeFile("Language/LangType_LP.ini", "[Files]\n2=English\n3=Japanese\n");
    // Mark the copied English file so that its texts cannot be mistaken for defaults.
    home.writeFile("Language/English/English.ini", "[WindowText]\nStop=Stop (English file)\n");
    ConfigManger config;
    config.SetLanguageID(2);
    EXPECT_EQ(config.LanguageFile, (home / "Language/English/English.ini").string());
    LanguageTexts texts(config, LanguageTexts::kWindowText);
    EXPECT_EQ(texts.text("Stop ", "Stop"), "Stop (English file)");
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
        EXPECT_NE(texts.text("Record ", "default"), "default") << c.id;
    }
    config.SetLanguageID(0);
    EXPECT_EQ(LanguageTexts(config, LanguageTexts::kMenuText).text("Exit ", "Exit"),
              QString::fromUtf8("退出"));
}

TEST(LanguageTexts, LanguageChangeMessageAppliesTheTextsAgain) {
    TestProgramFolder home;
    ConfigManger config;
    config.SetLanguageID(3);
    TextsDialog dialog(config);
    ASSERT_TRUE(dialog.MessageWindow::create());
    dialog.applyTexts();
    EXPECT_EQ(dialog.label->text(), "Record");

    // What the settings dialog does on OK: a new language, then message 1055.
    config.SetLanguageID(2);
    ASSERT_TRUE(dialog.post(msg::LanguageChanged));
    ASSERT_TRUE(vorlane::test::pumpUntil([&] { return dialog.applied == 2; }, 2000));
    EXPECT_EQ(dialog.label->text(), QString::fromUtf8("録音"));

    intptr_t result = -1;
    EXPECT_FALSE(dialog.processLanguageMessage(Message{msg::User + 7, 0, 0, {}}, result));
    EXPECT_EQ(dialog.applied, 2);
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

TEST(LanguageTexts, TrayTipsOfOneHundredTwentyEightCharactersAreNotApplied) {
    EXPECT_TRUE(LanguageTexts::fitsTrayTip(QString(127, 'x')));
    EXPECT_FALSE(LanguageTexts::fitsTrayTip(QString(128, 'x')));
}
