#include "CatalogueQuery.h"
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

TEST(Startup, CreatesTheCatalogueAndEndsInOrderOnSigtermAndSigint) {
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGINT");
        TestProgramFolder folder;
        copyGeneratedResources(folder);
        const fs::path db = folder / "Resource/NewData.mdb";
        ASSERT_FALSE(fs::exists(db));
        ProgramProcess vorlane(folder);
        ASSERT_TRUE(vorlane.process.waitForStarted(5000));
        // The catalogue is made; its tables are the opener's to check.
        ASSERT_TRUE(
            pumpUntil([&] { return queryRows(db, "PRAGMA table_info(TaskFile)").size() == 13; },
                      10000, kCataloguePollMs))
            << vorlane.errors();
        // The settings were loaded: the empty record folder was filled in and written back.
        ASSERT_TRUE(pumpUntil(
            [&] {
                return folder.readFile("Configure/Config_LP.ini").find("VorlaneLP Record Files") !=
                       std::string::npos;
            },
            5000));
        EXPECT_TRUE(vorlane.endInOrder(signal, 5000)) << vorlane.errors();
    }
}

// A missing settings file, or a missing panel bitmap once the settings have loaded: the
// program says "File Error! Please ReInstall!" in a modal box (and on stderr), and a signal
// while the box waits ends it as closing the box does.
TEST(Startup, AMissingSettingsFileOrPanelBitmapEndsWithTheFileError) {
    for (const char* missing : {"Configure/Config_LP.ini", "Resource/Skin/BK-LP.bmp"}) {
        SCOPED_TRACE(missing);
        TestProgramFolder folder;
        copyGeneratedResources(folder);
        fs::remove(folder / missing);
        ProgramProcess vorlane(folder);
        ASSERT_TRUE(vorlane.process.waitForStarted(5000));
        ASSERT_TRUE(pumpUntil(
            [&] {
                return vorlane.errors().find("File Error! Please ReInstall!") != std::string::npos;
            },
            10000));
        // The text comes just before the box: signal until the program has gone.
        ASSERT_TRUE(pumpUntil(
            [&] {
                vorlane.signal(SIGTERM);
                return vorlane.finished(200);
            },
            10000));
        EXPECT_TRUE(vorlane.endedWith(1));
        if (std::string(missing).starts_with("Configure")) {
            EXPECT_FALSE(fs::exists(folder / "Resource/NewData.mdb"));
        }
    }
}

// A damaged settings file names itself and the reason under the fixed text, in the box and
// on stderr. In a program folder of its own the file stays as it is; an installed program
// keeps it aside, and the next start runs on the shipped settings, without a word.
TEST(Startup, ADamagedSettingsFileNamesItselfAndAnInstalledProgramStartsAgainOnTheShippedOne) {
    const std::string binary("\x7f"
                             "ELF\x02\x01\x01\0\xff\xfe\x00[SoftInfo\x01=\n",
                             20);
    struct Case {
        std::string content;
        const char* reason;
    } cases[] = {{"", "The file is empty."},
                 {binary, "The file is damaged or is not the settings file of this program."}};
    auto endsWithError = [](ProgramProcess& p, const std::string& said) {
        EXPECT_TRUE(pumpUntil([&] { return p.errors().find(said) != std::string::npos; }, 10000))
            << p.errors();
        // The text comes just before the box: signal until the program has gone.
        EXPECT_TRUE(pumpUntil(
            [&] {
                p.signal(SIGTERM);
                return p.finished(200);
            },
            10000));
        EXPECT_TRUE(p.endedWith(1));
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        TestProgramFolder folder;
        copyGeneratedResources(folder);
        const fs::path settings = folder / "Configure/Config_LP.ini";
        writeBytes(settings, c.content);
        ProgramProcess vorlane(folder);
        ASSERT_TRUE(vorlane.process.waitForStarted(5000));
        endsWithError(vorlane, "File Error! Please ReInstall!\nVorlane: " + settings.string() +
                                   ": " + c.reason);
        EXPECT_EQ(readBytes(settings), c.content);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder / "Configure"), {}),
                  std::distance(fs::directory_iterator(VORLANE_SOURCE_DATA_DIR "/Configure"), {}));
    }

    // Installed: the program under <prefix>/bin, its data under <prefix>/share/vorlane, the
    // user's program folder under XDG_DATA_HOME.
    TestProgramFolder shipped;
    TestProgramFolder work(false);
    const QString program = installProgram(shipped, work);
    const ProgramProcess::Env env = {
        {"XDG_DATA_HOME", QString::fromStdString((work / "data").string())}};
    const fs::path userConfigure = work / "data/vorlane/Configure";
    const fs::path settings = userConfigure / "Config_LP.ini";
    auto runsOnItsSettings = [&] {
        ProgramProcess vorlane(work, env, program, {"VORLANE_HOME"});
        EXPECT_TRUE(pumpUntil(
            [&] { return readBytes(settings).find("VorlaneLP Record Files") != std::string::npos; },
            10000))
            << vorlane.errors();
        EXPECT_TRUE(vorlane.endInOrder(SIGTERM, 10000)) << vorlane.errors();
        EXPECT_EQ(vorlane.errors().find("File Error"), std::string::npos) << vorlane.errors();
    };
    runsOnItsSettings();
    writeBytes(settings, binary);
    {
        ProgramProcess vorlane(work, env, program, {"VORLANE_HOME"});
        endsWithError(vorlane, settings.string() + ": " + cases[1].reason +
                                   "\nThe damaged file was kept as Config_LP.ini.damaged-");
    }
    EXPECT_FALSE(fs::exists(settings));
    std::vector<fs::path> kept;
    for (const auto& e : fs::directory_iterator(userConfigure))
        if (e.path().filename().string().starts_with("Config_LP.ini.damaged-"))
            kept.push_back(e.path());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(readBytes(kept[0]), binary);
    runsOnItsSettings();
    EXPECT_TRUE(fs::exists(kept[0]));
    // The shipped settings, brought into use (the record folder filled in).
    const std::string now = readBytes(settings);
    EXPECT_NE(now.find("SoftWareText=VorlaneLP "), std::string::npos) << now;
}

// Two starts at the same moment leave one instance, and a start once it runs hands over to
// it and ends.
TEST(Startup, TwoStartsAtTheSameMomentOrLaterLeaveOneInstance) {
    for (int pair = 0; pair < 10; ++pair) {
        SCOPED_TRACE("pair " + std::to_string(pair));
        TestProgramFolder folder;
        copyGeneratedResources(folder);
        ProgramProcess a(folder);
        ProgramProcess b(folder);
        ASSERT_TRUE(a.process.waitForStarted(5000));
        ASSERT_TRUE(b.process.waitForStarted(5000));
        ASSERT_TRUE(pumpUntil([&] { return a.finished(10) || b.finished(10); }, 20000))
            << "both still run";
        ProgramProcess& second = a.process.state() == QProcess::NotRunning ? a : b;
        ProgramProcess& first = &second == &a ? b : a;
        EXPECT_TRUE(second.endedWith(0));
        EXPECT_FALSE(first.finished(300)) << "none is left";
        ProgramProcess later(folder);
        ASSERT_TRUE(later.finished(5000));
        EXPECT_TRUE(later.endedWith(0));
        EXPECT_EQ(first.process.state(), QProcess::Running);
        EXPECT_TRUE(first.endInOrder(SIGTERM, 10000));
    }
}

// A command line the program does not understand is answered at once, without a display and
// before anything is made; --version and --help answer as before.
TEST(Startup, AnUnknownOptionEndsWithOneLineAndStatus2WithoutADisplay) {
    TestProgramFolder folder;
    usePrivateSession(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    struct Case {
        QStringList args;
        int code;
        std::string out, err;
    };
    const Case cases[] = {
        {{"--bogus"}, 2, "", "vorlane: unknown option '--bogus' (see 'vorlane --help')\n"},
        {{"-platform", "offscreen", "stray"},
         2,
         "",
         "vorlane: unexpected argument 'stray' (see 'vorlane --help')\n"},
        {{"--version"}, 0, "Vorlane ", ""},
        {{"--help"}, 0, "Usage: vorlane [--version | --help]\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(VORLANE_EXECUTABLE, c.args);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), c.code);
        EXPECT_EQ(p.readAllStandardError().toStdString(), c.err);
        EXPECT_TRUE(p.readAllStandardOutput().toStdString().starts_with(c.out));
    }
    EXPECT_FALSE(fs::exists(folder / "Resource/NewData.mdb"));
}
