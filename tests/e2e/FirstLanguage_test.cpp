#include "E2eSupport.h"
#include "ProgramProcess.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace vorlane::test;

// The installed program (under <prefix>/bin, its data under <prefix>/share/vorlane): a new
// user's first start takes the language of the locale and keeps it in the user's key, not
// in a settings file; later starts in another locale keep it, and a user of an earlier
// version, whose key holds no language, keeps English.
TEST(FirstLanguage, ANewUserGetsTheLocalesLanguageAndKeepsItInTheInstalledLayout) {
    TestProgramFolder shipped;
    TestProgramFolder work(false);
    const QString program = installProgram(shipped, work);
    const fs::path settings = work / "data/vorlane/Configure/Config_LP.ini";
    const fs::path key = work.configHome() / "Tarnholt/RivorAzururu.ini";

    // One start in the locale; the user's settings file is made anew each time, so that the
    // record folder written into it shows that the settings were loaded.
    auto startIn = [&](const char* lang) {
        fs::remove(settings);
        const ProgramProcess::Env env = {
            {"XDG_DATA_HOME", QString::fromStdString((work / "data").string())}, {"LANG", lang}};
        ProgramProcess vorlane(work, env, program, {"VORLANE_HOME"});
        EXPECT_TRUE(pumpUntil(
            [&] { return readBytes(settings).find("VorlaneLP Record Files") != std::string::npos; },
            10000))
            << vorlane.errors();
        EXPECT_TRUE(vorlane.endInOrder(SIGTERM, 10000)) << vorlane.errors();
    };

    ASSERT_FALSE(fs::exists(key));
    startIn("ja_JP.UTF-8");
    const std::string stored = readBytes(key);
    EXPECT_NE(stored.find("LanguageID=2"), std::string::npos) << stored;
    EXPECT_EQ(readBytes(settings).find("LanguageID"), std::string::npos);
    EXPECT_EQ(readBytes(shipped / "Configure/Config_LP.ini").find("LanguageID"), std::string::npos);

    startIn("zh_TW.UTF-8");
    EXPECT_EQ(readBytes(key), stored);

    writeBytes(key, "[General]\nPlayVolume=35\n");
    startIn("ja_JP.UTF-8");
    EXPECT_EQ(readBytes(key), "[General]\nPlayVolume=35\n");
}
