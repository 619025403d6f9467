#include "CatalogueQuery.h"
#include "E2eSupport.h"
#include "TestProgramFolder.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QThread>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <set>
#include <sqlite3.h>
#include <string>

namespace fs = std::filesystem;
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

// Starts the real program on a private program folder, offscreen.
class RunningProgram {
public:
    explicit RunningProgram(const TestProgramFolder& folder) {
        vorlane::test::copyGeneratedResources(folder);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VORLANE_HOME", QString::fromStdString(folder.path().string()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(folder.configHome().string()));
        env.insert("XDG_DOCUMENTS_DIR", QString::fromStdString((folder.path() / "docs").string()));
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(folder.path().string()));
        env.insert("VORLANE_AUDIO_OUTPUT", "null");
        env.insert("VORLANE_HID_TABLE",
                   QString::fromStdString("/vorlane-test-" + folder.path().filename().string()));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(VORLANE_EXECUTABLE, {});
    }
    ~RunningProgram() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(2000);
        }
    }
    QProcess process;
};

int elapsedMs(std::chrono::steady_clock::time_point since) {
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - since)
                   .count());
}

// Starts the program on the folder and expects "File Error! Please ReInstall!". The error
// box is modal and waits for the user; the text goes to stderr too.
void expectFileError(const TestProgramFolder& folder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VORLANE_HOME", QString::fromStdString(folder.path().string()));
    // A private runtime folder: a running Vorlane of the user's must not take this start.
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(folder.path().string()));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(VORLANE_EXECUTABLE, {});
    ASSERT_TRUE(p.waitForStarted(5000));
    QByteArray output;
    ASSERT_TRUE(waitFor(
        [&] {
            p.waitForReadyRead(50);
            output += p.readAll();
            return output.contains("File Error! Please ReInstall!");
        },
        10000));
    // A signal while the box waits ends the program as closing the box does.
    QThread::msleep(200);
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
}

} // namespace

TEST(Startup, CreatesTheCatalogueAndEndsInOrderOnSigterm) {
    TestProgramFolder folder;
    fs::path db = folder / "Resource/NewData.mdb";
    ASSERT_FALSE(fs::exists(db));
    RunningProgram vorlane(folder);
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

    auto start = std::chrono::steady_clock::now();
    ::kill(pid_t(vorlane.process.processId()), SIGTERM);
    ASSERT_TRUE(vorlane.process.waitForFinished(5000));
    EXPECT_LT(elapsedMs(start), 5000);
    EXPECT_EQ(vorlane.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(vorlane.process.exitCode(), 0);
}

TEST(Startup, EndsInOrderOnSigint) {
    TestProgramFolder folder;
    RunningProgram vorlane(folder);
    ASSERT_TRUE(vorlane.process.waitForStarted(5000));
    ASSERT_TRUE(waitFor([&] { return fs::exists(folder / "Resource/NewData.mdb"); }, 10000));
    QThread::msleep(200);
    ::kill(pid_t(vorlane.process.processId()), SIGINT);
    ASSERT_TRUE(vorlane.process.waitForFinished(5000));
    EXPECT_EQ(vorlane.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(vorlane.process.exitCode(), 0);
}

TEST(Startup, MissingSettingsFileEndsWithTheFileError) {
    TestProgramFolder folder;
    fs::remove(folder / "Configure/Config_LP.ini");
    expectFileError(folder);
    EXPECT_FALSE(fs::exists(folder / "Resource/NewData.mdb"));
}

TEST(Startup, DamagedCatalogueIsSetAsideAndTheProgramGoesOn) {
    TestProgramFolder folder;
    folder.writeFile("Resource/NewData.mdb", "this is not a database, but someone's data");
    RunningProgram vorlane(folder);
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
    ::kill(pid_t(vorlane.process.processId()), SIGTERM);
    ASSERT_TRUE(vorlane.process.waitForFinished(5000));
    EXPECT_EQ(vorlane.process.exitCode(), 0);
}

TEST(Startup, ASecondStartHandsOverToTheFirstAndEnds) {
    TestProgramFolder folder;
    RunningProgram first(folder);
    ASSERT_TRUE(first.process.waitForStarted(5000));
    ASSERT_TRUE(waitFor([&] { return fs::exists(folder / "Resource/NewData.mdb"); }, 10000));
    QThread::msleep(300); // the first instance listens once its panel is up

    RunningProgram second(folder);
    ASSERT_TRUE(second.process.waitForStarted(5000));
    ASSERT_TRUE(second.process.waitForFinished(5000));
    EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process.exitCode(), 0);
    EXPECT_EQ(first.process.state(), QProcess::Running);

    ::kill(pid_t(first.process.processId()), SIGTERM);
    ASSERT_TRUE(first.process.waitForFinished(5000));
    EXPECT_EQ(first.process.exitCode(), 0);
}

TEST(Startup, MissingPanelBitmapEndsWithTheFileError) {
    TestProgramFolder folder;
    vorlane::test::copyGeneratedResources(folder);
    fs::remove(folder / "Resource/Skin/BK-LP.bmp");
    // The settings load, then the panel's bitmap is missing: the same error as a missing
    // settings file.
    expectFileError(folder);
}

TEST(Startup, TwoStartsAtTheSameMomentLeaveOneInstance) {
    for (int pair = 0; pair < 10; ++pair) {
        TestProgramFolder folder;
        RunningProgram a(folder);
        RunningProgram b(folder);
        ASSERT_TRUE(a.process.waitForStarted(5000));
        ASSERT_TRUE(b.process.waitForStarted(5000));
        auto ended = [](RunningProgram& p) { return p.process.waitForFinished(10); };
        ASSERT_TRUE(waitFor([&] { return ended(a) || ended(b); }, 20000))
            << "pair " << pair << ": both still run";
        RunningProgram& second = a.process.state() == QProcess::NotRunning ? a : b;
        RunningProgram& first = &second == &a ? b : a;
        EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit) << pair;
        EXPECT_EQ(second.process.exitCode(), 0) << pair;
        EXPECT_FALSE(first.process.waitForFinished(300)) << "pair " << pair << ": none is left";
        ::kill(pid_t(first.process.processId()), SIGTERM);
        ASSERT_TRUE(first.process.waitForFinished(10000));
        EXPECT_EQ(first.process.exitCode(), 0) << pair;
    }
}
