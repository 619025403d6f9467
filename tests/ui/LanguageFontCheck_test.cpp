// Run twice (tests/ui/CMakeLists.txt): LanguageFontCheck.* with the fonts of this system,
// among them the CJK font that setup installs, and WithoutCjkFont.* with a font
// configuration that holds only DejaVu, as on a system without a font for Chinese and
// Japanese.
#include "PanelTestSupport.h"
#include "ui/LanguageFontCheck.h"
#include "ui/SkinFont.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QMessageBox>
#include <QTemporaryDir>
#include <fstream>

using namespace vorlane;
using namespace vorlane::test;

namespace {

std::string shippedLanguageFile(const std::string& name) {
    return std::string(VORLANE_SOURCE_DATA_DIR) + "/Language/" + name + "/" + name + ".ini";
}

const char* const kLanguages[] = {"English", "SimplifiedChinese", "TraditionalChinese", "Japanese"};

std::string writeFile(const QTemporaryDir& dir, const char* name, const std::string& text) {
    const std::string path = dir.filePath(QString::fromLatin1(name)).toStdString();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

bool allCjk(const QString& chars) {
    for (const char32_t c : chars.toUcs4())
        if (c < 0x2E80) // below the CJK radicals nothing is missing with DejaVu
            return false;
    return true;
}

int noteBoxes(const QWidget* panel) {
    int n = 0;
    for (const QMessageBox* box : panel->findChildren<QMessageBox*>())
        n += box->text().contains("fonts-wqy-microhei") ? 1 : 0;
    return n;
}

class WithoutCjkFontPanel : public PanelTest {};

} // namespace

TEST(LanguageFontCheck, InstalledFontsShowEveryShippedLanguage) {
    ConfigManger config;
    LanguageFontCheck check;
    for (const char* name : kLanguages) {
        SCOPED_TRACE(name);
        for (const QFont& font : {SkinFont::templateFont(), SkinFont::caption()})
            EXPECT_EQ(LanguageFontCheck::uncoveredCharacters(shippedLanguageFile(name), font)
                          .toStdString(),
                      "");
        config.LanguageFile = shippedLanguageFile(name);
        EXPECT_FALSE(check.noteFor(config, SkinFont::templateFont()).has_value());
    }
}

TEST(WithoutCjkFont, AsianLanguagesAreFoundUncoveredAndEnglishIsNot) {
    // The configuration of this run must really lack the font, or nothing below means much.
    ASSERT_FALSE(QFontDatabase::families().join(' ').contains("WenQuanYi"));
    const QFont font = SkinFont::templateFont();
    EXPECT_EQ(
        LanguageFontCheck::uncoveredCharacters(shippedLanguageFile("English"), font).toStdString(),
        "");
    const struct {
        const char* language;
        const char* sample; // a character of its texts
    } cases[] = {{"SimplifiedChinese", "录"}, {"TraditionalChinese", "錄"}, {"Japanese", "録"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        const QString missing =
            LanguageFontCheck::uncoveredCharacters(shippedLanguageFile(c.language), font);
        EXPECT_TRUE(missing.contains(QString::fromUtf8(c.sample)));
        EXPECT_TRUE(allCjk(missing)) << missing.toStdString();
    }
}

TEST(WithoutCjkFont, CountsTheCharactersOfValuesOnlyEachOnce) {
    QTemporaryDir dir;
    const std::string file = writeFile(dir, "l.ini",
                                       "; 注释 is not shown\r\n[WindowText]\r\nA=abc 日本\r\n"
                                       "[Message]\r\nB=日x語\r\n中=plain\r\n");
    EXPECT_EQ(LanguageFontCheck::uncoveredCharacters(file, SkinFont::caption()).toStdString(),
              "日本語");
    EXPECT_EQ(LanguageFontCheck::uncoveredCharacters(dir.filePath("none.ini").toStdString(),
                                                     SkinFont::caption()),
              QString());
}

TEST(WithoutCjkFont, NoteOncePerLanguageInItsOwnWordsWhereTheyCanBeShown) {
    QTemporaryDir dir;
    ConfigManger config;
    LanguageFontCheck check;
    const QFont font = SkinFont::templateFont();

    // The Japanese note could not be read either: it comes in English.
    config.LanguageFile = shippedLanguageFile("Japanese");
    const std::optional<QString> note = check.noteFor(config, font);
    ASSERT_TRUE(note.has_value());
    EXPECT_TRUE(note->startsWith("No font on this computer")) << note->toStdString();
    const int missing =
        int(LanguageFontCheck::uncoveredCharacters(config.LanguageFile, font).toUcs4().size());
    EXPECT_TRUE(note->contains(QString("(%1 characters").arg(missing))) << note->toStdString();
    EXPECT_FALSE(check.noteFor(config, font).has_value()) << "told once";

    config.LanguageFile = shippedLanguageFile("English");
    EXPECT_FALSE(check.noteFor(config, font).has_value());

    // A language whose note the fonts can show says it in its own words.
    config.LanguageFile =
        writeFile(dir, "own.ini", "[WindowText]\nRecord=録音\n[Message]\nFont missing=Fehlt: %1\n");
    EXPECT_EQ(check.noteFor(config, font), QString("Fehlt: 2"));
}

TEST_F(WithoutCjkFontPanel, TellsOnceAtStartAndOnceForEachNewLanguage) {
    ASSERT_TRUE(config.SetLanguageID(2)); // Japanese
    makePanel();
    EXPECT_NE(panel->lastError().find("fonts-wqy-microhei"), std::string::npos)
        << panel->lastError();
    EXPECT_EQ(noteBoxes(panel.get()), 1);

    deliver(msg::LanguageChanged);
    EXPECT_EQ(noteBoxes(panel.get()), 1) << "the same language again";
    ASSERT_TRUE(config.SetLanguageID(3)); // English
    deliver(msg::LanguageChanged);
    EXPECT_EQ(noteBoxes(panel.get()), 1);
    ASSERT_TRUE(config.SetLanguageID(0)); // Simplified Chinese
    deliver(msg::LanguageChanged);
    EXPECT_EQ(noteBoxes(panel.get()), 2);
}
