#include "CatalogueQuery.h"
#include "E2eSupport.h"
#include "ProgramProcess.h"
#include "TestProgramFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <string>

namespace fs = std::filesystem;
using vorlane::test::copyGeneratedResources;
using vorlane::test::ProgramProcess;
using vorlane::test::queryRows;
using vorlane::test::TestProgramFolder;
using vorlane::test::waitFor;

namespace {

// Column names of a table, empty when the table is missing.
std::set<std::string> columnsOf(const fs::path& db, const std::string& table) {
    std::set<std::string> cols;
    for (auto& r : queryRows(db, "PRAGMA table_info(" + table + ")"))
        cols.insert(r[1]);
    return cols;
}

// The catalogue exists only once the program has claimed its instance and watches signals.
bool catalogueMade(const TestProgramFolder& folder) {
    return waitFor([&] { return fs::exists(folder / "Resource/NewData.mdb"); }, 10000);
}

} // namespace

TEST(Startup, CreatesTheCatalogueAndEndsInOrderOnSigtermAndSigint) {
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGINT");
        TestProgramFolder folder;
        copyGeneratedResources(folder);
        const fs::path db = folder / "Resource/NewData.mdb";
        ASSERT_FALSE(fs::exists(db));
        ProgramProcess vorlane(folder);
        ASSERT_TRUE(vorlane.process.waitForStarted(5000));
        ASSERT_TRUE(waitFor([&] { return columnsOf(db, "TaskFile").size() == 13; }, 10000));
        EXPECT_EQ(columnsOf(db, "RecordFile"),
                  (std::set<std::string>{"StartTime", "Duration", "FileFullPathName", "FileName",
                                         "Title", "Artist", "Album", "Year", "Comment"}));
        EXPECT_EQ(columnsOf(db, "TaskFile"),
                  (std::set<std::string>{"StartTime", "EndTime", "DayOfWeek", "Test", "FileName",
                                         "Repeats", "Monday", "Tuesday", "Wednesday", "Thursday",
                                         "Friday", "Saturday", "Sunday"}));
        // The settings were loaded: the empty record folder was filled in and written back.
        ASSERT_TRUE(waitFor(
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
        ASSERT_TRUE(waitFor(
            [&] {
                return vorlane.errors().find("File Error! Please ReInstall!") != std::string::npos;
            },
            10000));
        // The text comes just before the box: signal until the program has gone.
        ASSERT_TRUE(waitFor(
            [&] {
                vorlane.signal(SIGTERM);
                return vorlane.process.waitForFinished(200);
            },
            10000));
        EXPECT_TRUE(vorlane.endedWith(1));
        if (std::string(missing).starts_with("Configure")) {
            EXPECT_FALSE(fs::exists(folder / "Resource/NewData.mdb"));
        }
    }
}

TEST(Startup, DamagedCatalogueIsSetAsideAndTheProgramGoesOn) {
    TestProgramFolder folder;
    copyGeneratedResources(folder);
    folder.writeFile("Resource/NewData.mdb", "this is not a database, but someone's data");
    ProgramProcess vorlane(folder);
    ASSERT_TRUE(vorlane.process.waitForStarted(5000));
    fs::path db = folder / "Resource/NewData.mdb";
    ASSERT_TRUE(waitFor([&] { return columnsOf(db, "RecordFile").size() == 9; }, 10000));
    int setAside = 0;
    for (auto& e : fs::directory_iterator(folder / "Resource")) {
        if (e.path().filename() != "NewData.mdb" &&
            e.path().filename().string().rfind("NewData.mdb", 0) == 0) {
            ++setAside;
            EXPECT_EQ(vorlane::test::readBytes(e.path()),
                      "this is not a database, but someone's data");
        }
    }
    EXPECT_EQ(setAside, 1);
    EXPECT_TRUE(vorlane.endInOrder());
}

TEST(Startup, ASecondStartHandsOverToTheFirstAndEnds) {
    TestProgramFolder folder;
    copyGeneratedResources(folder);
    ProgramProcess first(folder);
    ASSERT_TRUE(first.process.waitForStarted(5000));
    ASSERT_TRUE(catalogueMade(folder));

    ProgramProcess second(folder);
    ASSERT_TRUE(second.process.waitForStarted(5000));
    ASSERT_TRUE(second.process.waitForFinished(5000));
    EXPECT_TRUE(second.endedWith(0));
    EXPECT_EQ(first.process.state(), QProcess::Running);
    EXPECT_TRUE(first.endInOrder());
}

TEST(Startup, TwoStartsAtTheSameMomentLeaveOneInstance) {
    for (int pair = 0; pair < 10; ++pair) {
        SCOPED_TRACE("pair " + std::to_string(pair));
        TestProgramFolder folder;
        copyGeneratedResources(folder);
        ProgramProcess a(folder);
        ProgramProcess b(folder);
        ASSERT_TRUE(a.process.waitForStarted(5000));
        ASSERT_TRUE(b.process.waitForStarted(5000));
        auto ended = [](ProgramProcess& p) { return p.process.waitForFinished(10); };
        ASSERT_TRUE(waitFor([&] { return ended(a) || ended(b); }, 20000)) << "both still run";
        ProgramProcess& second = a.process.state() == QProcess::NotRunning ? a : b;
        ProgramProcess& first = &second == &a ? b : a;
        EXPECT_TRUE(second.endedWith(0));
        EXPECT_FALSE(first.process.waitForFinished(300)) << "none is left";
        EXPECT_TRUE(first.endInOrder(SIGTERM, 10000));
    }
}
