#include "CatalogueQuery.h"
#include "E2eSupport.h"
#include "ProgramProcess.h"
#include "TestProgramFolder.h"
#include "ToneFile.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using vorlane::test::sql;
using vorlane::test::taskRow;
using vorlane::test::TestProgramFolder;
using vorlane::test::waitFor;

namespace {

// The real program with the simulated turntable, a capture file, and power actions printed
// instead of carried out.
struct ScheduledRun {
    explicit ScheduledRun(bool repeatTaskStored) : withRepeatTask(repeatTaskStored) {
        vorlane::test::copyGeneratedResources(folder);
        vorlane::test::writeToneWav(folder / "input.wav", {{3, 440}, {1, 0}});
        vorlane::test::writeSettings(folder, "Option",
                                     {{"RecordFileType", "0"},
                                      {"RecordDiviType", "0"},
                                      {"Record End Type", "1"},
                                      {"RecordFilePath", (folder / "records").string()}});
        program = std::make_unique<vorlane::test::ProgramProcess>(
            folder,
            vorlane::test::ProgramProcess::Env{
                {"VORLANE_CAPTURE_FILE", QString::fromStdString((folder / "input.wav").string())},
                {"VORLANE_CAPTURE_SPEED", "1"},
                {"VORLANE_SIM_DEVICE", "usbpnp"},
                {"VORLANE_POWER", "log"}});
    }
    fs::path db() const { return folder / "Resource/NewData.mdb"; }
    // Nothing runs an event loop here: wait for what the pipe holds.
    void readOutput() {
        while (program->process.waitForReadyRead(500))
            output += program->process.readAllStandardOutput().toStdString();
        output += program->process.readAllStandardOutput().toStdString();
    }

    bool withRepeatTask;
    TestProgramFolder folder;
    std::unique_ptr<vorlane::test::ProgramProcess> program;
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
        ASSERT_TRUE(run->program->process.waitForStarted(5000));
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
        ASSERT_TRUE(
            waitFor([&] { return !vorlane::test::recordingRows(run->db()).empty(); }, waitMs))
            << "no recording catalogued";
    }
    QThread::msleep(2000);

    for (auto& run : runs) {
        SCOPED_TRACE(run->withRepeatTask ? "with a repeat task" : "single task only");
        run->readOutput();
        const auto rows = vorlane::test::recordingRows(run->db());
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_NE(rows[0].fileName.find("_Morning Show.wav"), std::string::npos)
            << rows[0].fileName;
        // The task lasts one minute; the start and stop come within the first seconds of
        // their minutes.
        EXPECT_NEAR(vorlane::test::durationSeconds(rows[0].duration), 60, 3) << rows[0].duration;
        const auto files = vorlane::test::filesIn(run->folder / "records");
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files[0].filename().string(), rows[0].fileName);
        EXPECT_GT(fs::file_size(files[0]), 44u * 1000 * 4 * 50);
        const bool poweredOff = run->output.find("power: power-off\n") != std::string::npos;
        EXPECT_EQ(poweredOff, !run->withRepeatTask) << run->output;

        EXPECT_TRUE(run->program->endInOrder(SIGTERM, 15000)) << run->program->errors();
    }
}
