#include "CatalogueQuery.h"
#include "E2eSupport.h"
#include "ProgramProcess.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <csignal>
#include <filesystem>
#include <string>

using namespace vorlane::test;

// The real program with the simulated turntable, a capture file, and power actions printed
// instead of carried out. A task for the coming minute, ending a minute later, is recorded by
// the running program; with "Record End Type" 1 and no task ahead the computer is powered off.
TEST(ScheduledRecording, RecordsTheTaskAndPowersOff) {
    TestProgramFolder folder;
    const std::filesystem::path records = useToneSession(folder, {{3, 440}, {1, 0}});
    writeSettings(folder, "Option",
                  {{"RecordFileType", "0"}, {"RecordDiviType", "0"}, {"Record End Type", "1"}});
    ProgramProcess program(folder, {{"VORLANE_POWER", "log"}});
    const std::filesystem::path db = folder / "Resource/NewData.mdb";
    ASSERT_TRUE(program.process.waitForStarted(5000));
    ASSERT_TRUE(pumpUntil([&] { return sqlError(db, "select * from TaskFile").empty(); }, 20000,
                          kCataloguePollMs));

    // The coming minute, unless it is only moments away.
    QDateTime start = QDateTime::currentDateTime();
    start = start.addSecs(start.time().second() > 50 ? 120 : 60);
    start.setTime(QTime(start.time().hour(), start.time().minute()));
    const QDateTime end = start.addSecs(60);
    ASSERT_EQ(sqlError(db, taskRow(start, end, "Morning Show")), "");
    const int waitMs = int(QDateTime::currentDateTime().msecsTo(end)) + 30000;
    ASSERT_TRUE(pumpUntil([&] { return !recordingRows(db).empty(); }, waitMs, kCataloguePollMs))
        << "no recording catalogued";
    std::string output;
    EXPECT_TRUE(pumpUntil(
        [&] {
            output += program.process.readAllStandardOutput().toStdString();
            return output.find("power: power-off\n") != std::string::npos;
        },
        15000))
        << output;
    const auto rows = recordingRows(db);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NE(rows[0].fileName.find("_Morning Show.wav"), std::string::npos) << rows[0].fileName;
    // The task lasts one minute; the start and stop come within the first seconds of their
    // minutes.
    EXPECT_NEAR(durationSeconds(rows[0].duration), 60, 3) << rows[0].duration;
    const auto files = filesIn(records);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].filename().string(), rows[0].fileName);
    EXPECT_GT(std::filesystem::file_size(files[0]), 44u * 1000 * 4 * 50);
    EXPECT_TRUE(program.endInOrder(SIGTERM, 15000)) << program.errors();
}
