#include "CatalogueQuery.h"
#include "E2eSupport.h"
#include "TestProgramFolder.h"
#include "ToneFile.h"
#include "config/wIniFile.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QProcess>
#include <QThread>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using vorlane::test::queryRows;
using vorlane::test::TestProgramFolder;
using vorlane::test::waitFor;

namespace {

bool sql(const fs::path& db, const std::string& statement) {
    sqlite3* h = nullptr;
    bool ok = sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_busy_timeout(h, 3000);
        ok = sqlite3_exec(h, statement.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3_close(h);
    return ok;
}

// The FileName and Duration of every catalogued recording.
std::vector<std::pair<std::string, std::string>> recordings(const fs::path& db) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (auto& r : queryRows(db, "select FileName, Duration from RecordFile"))
        rows.emplace_back(r[0], r[1]);
    return rows;
}

std::string taskRow(const QDateTime& start, const QDateTime& end, bool repeats,
                    const std::string& fileName) {
    const QString f = QStringLiteral("yyyy-MM-dd HH:mm");
    const std::string flag = repeats ? "1" : "0";
    return "insert into TaskFile (StartTime, EndTime, DayOfWeek, Test, FileName, Repeats, "
           "Monday, Tuesday, Wednesday, Thursday, Friday, Saturday, Sunday) values ('" +
           start.toString(f).toStdString() + "', '" + end.toString(f).toStdString() + "', " +
           std::to_string(start.date().dayOfWeek() % 7) + ", '', '" + fileName + "', " + flag +
           ", " + flag + ", " + flag + ", " + flag + ", " + flag + ", " + flag + ", " + flag +
           ", " + flag + ")";
}

// The real program with the simulated turntable, a capture file, and power actions printed
// instead of carried out.
struct ScheduledRun {
    explicit ScheduledRun(bool repeatTaskStored) : withRepeatTask(repeatTaskStored) {
        vorlane::test::copyGeneratedResources(folder);
        vorlane::test::writeToneWav(folder / "input.wav", {{3, 440}, {1, 0}});
        vorlane::wIniFile ini;
        ini.SetFile((folder / "Configure/Config_LP.ini").string(), "Option");
        ini.WriteInt("RecordFileType", 0);
        ini.WriteInt("RecordDiviType", 0);
        ini.WriteInt("Record End Type", 1);
        ini.WriteString("RecordFilePath", (folder / "records").string());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        auto set = [&](const char* name, const fs::path& value) {
            env.insert(name, QString::fromStdString(value.string()));
        };
        env.insert("QT_QPA_PLATFORM", "offscreen");
        set("VORLANE_HOME", folder.path());
        set("XDG_CONFIG_HOME", folder.configHome());
        set("XDG_DOCUMENTS_DIR", folder / "docs");
        set("XDG_RUNTIME_DIR", folder.path());
        set("VORLANE_CAPTURE_FILE", folder / "input.wav");
        env.insert("VORLANE_CAPTURE_SPEED", "1");
        env.insert("VORLANE_AUDIO_OUTPUT", "null");
        env.insert("VORLANE_SIM_DEVICE", "usbpnp");
        env.insert("VORLANE_POWER", "log");
        env.insert("VORLANE_HID_TABLE",
                   QString::fromStdString("/vorlane-sched-" + folder.path().filename().string()));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(VORLANE_EXECUTABLE, {});
    }
    ~ScheduledRun() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(2000);
        }
    }
    fs::path db() const { return folder / "Resource/NewData.mdb"; }
    // Nothing runs an event loop here: wait for what the pipe holds.
    void readOutput() {
        while (process.waitForReadyRead(500))
            output += process.readAllStandardOutput().toStdString();
        output += process.readAllStandardOutput().toStdString();
    }

    bool withRepeatTask;
    TestProgramFolder folder;
    QProcess process;
    std::string output;
};

} // namespace

// A task for the coming minute, ending a minute later, recorded by the running program
// with "Record End Type" 1: without a task ahead the computer is powered off; with a repeat
// task stored it stays on. Both programs run side by side, each in its own folder.
TEST(ScheduledRecording, RecordsTheTaskAndPowersOffOnlyWithoutATaskAhead) {
    std::vector<std::unique_ptr<ScheduledRun>> runs;
    runs.push_back(std::make_unique<ScheduledRun>(false));
    runs.push_back(std::make_unique<ScheduledRun>(true));
    for (auto& run : runs) {
        ASSERT_TRUE(run->process.waitForStarted(5000));
        ASSERT_TRUE(waitFor([&] { return sql(run->db(), "select * from TaskFile"); }, 20000));
    }
    // The coming minute, unless it is only moments away.
    QDateTime start = QDateTime::currentDateTime();
    start = start.addSecs(start.time().second() > 50 ? 120 : 60);
    start.setTime(QTime(start.time().hour(), start.time().minute()));
    const QDateTime end = start.addSecs(60);
    for (auto& run : runs) {
        ASSERT_TRUE(sql(run->db(), taskRow(start, end, false, "Morning Show")));
        if (run->withRepeatTask) {
            ASSERT_TRUE(sql(run->db(), taskRow(start.addSecs(4 * 3600), start.addSecs(5 * 3600),
                                               true, "Nightly")));
        }
    }
    const int waitMs = int(QDateTime::currentDateTime().msecsTo(end)) + 30000;
    for (auto& run : runs) {
        ASSERT_TRUE(waitFor([&] { return !recordings(run->db()).empty(); }, waitMs))
            << "no recording catalogued";
    }
    QThread::msleep(2000);

    for (auto& run : runs) {
        SCOPED_TRACE(run->withRepeatTask ? "with a repeat task" : "single task only");
        run->readOutput();
        const auto rows = recordings(run->db());
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_NE(rows[0].first.find("_Morning Show.wav"), std::string::npos) << rows[0].first;
        // The task lasts one minute; the start and stop come within the first seconds of
        // their minutes.
        int h = 0, m = 0, s = 0;
        ASSERT_EQ(std::sscanf(rows[0].second.c_str(), "%d:%d:%d", &h, &m, &s), 3);
        EXPECT_NEAR(h * 3600 + m * 60 + s, 60, 3) << rows[0].second;
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(run->folder / "records"))
            files.push_back(e.path());
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files[0].filename().string(), rows[0].first);
        EXPECT_GT(fs::file_size(files[0]), 44u * 1000 * 4 * 50);
        const bool poweredOff = run->output.find("power: power-off\n") != std::string::npos;
        EXPECT_EQ(poweredOff, !run->withRepeatTask) << run->output;

        ::kill(pid_t(run->process.processId()), SIGTERM);
        EXPECT_TRUE(run->process.waitForFinished(15000));
        EXPECT_EQ(run->process.exitCode(), 0);
    }
}
