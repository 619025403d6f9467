#include "CatalogueQuery.h"
#include "E2eSupport.h"
#include "ProgramProcess.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

using namespace vorlane::test;

namespace {
// The power actions among the lines the program printed, in order.
std::vector<std::string> powerActions(const std::string& output) {
    std::vector<std::string> actions;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("power: ", 0) == 0)
            actions.push_back(line.substr(7));
    return actions;
}
} // namespace

// The real program with the simulated turntable, a capture file, and power actions printed
// instead of carried out. Two tasks back to back: the first from the current minute (the
// next one when this one is nearly over) to the next, the second from there for a minute.
// Both record; with "Record End Type" 1 the computer is powered off once, after the second,
// and every recording keeps it from sleeping while it runs.
TEST(ScheduledRecording, BackToBackTasksRecordTwoFilesAndPowerOffOnceAfterTheSecond) {
    TestProgramFolder folder;
    const std::filesystem::path records = useToneSession(folder, {{3, 440}, {1, 0}});
    writeSettings(folder, "Option",
                  {{"RecordFileType", "0"}, {"RecordDiviType", "0"}, {"Record End Type", "1"}});
    ProgramProcess program(folder, {{"VORLANE_POWER", "log"}});
    const std::filesystem::path db = folder / "Resource/NewData.mdb";
    ASSERT_TRUE(program.process.waitForStarted(5000));
    ASSERT_TRUE(pumpUntil([&] { return sqlError(db, "select * from TaskFile").empty(); }, 20000,
                          kCataloguePollMs));
    // The simulated device is announced a second after the start.
    pumpFor(3000);

    const QDateTime now = QDateTime::currentDateTime();
    QDateTime first = now;
    first.setTime(QTime(now.time().hour(), now.time().minute()));
    if (now.time().second() > 45)
        first = first.addSecs(60);
    const QDateTime second = first.addSecs(60);
    const QDateTime end = second.addSecs(60);
    ASSERT_EQ(sqlError(db, taskRow(first, second, "Morning Show") + ";" +
                               taskRow(second, end, "Noon News")),
              "");
    // A task of the current minute starts at once.
    const int firstSeconds = int(std::max(now, first).secsTo(second));

    std::string output;
    const auto read = [&] { output += program.process.readAllStandardOutput().toStdString(); };
    ASSERT_TRUE(pumpUntil(
        [&] {
            read();
            return !recordingRows(db).empty();
        },
        int(QDateTime::currentDateTime().msecsTo(second)) + 20000, kCataloguePollMs))
        << "the first task was not catalogued";
    read();
    EXPECT_EQ(output.find("power: power-off"), std::string::npos)
        << "powered off after the first task:\n"
        << output;
    ASSERT_TRUE(pumpUntil(
        [&] {
            read();
            return recordingRows(db).size() >= 2;
        },
        int(QDateTime::currentDateTime().msecsTo(end)) + 30000, kCataloguePollMs))
        << "the second task was not catalogued:\n"
        << output << program.errors();
    EXPECT_TRUE(pumpUntil(
        [&] {
            read();
            return output.find("power: power-off\n") != std::string::npos;
        },
        15000))
        << output;
    pumpFor(1500);
    read();
    std::vector<std::string> actions;
    for (const std::string& a : powerActions(output))
        if (a != "inhibit sleep" && a != "release sleep")
            actions.push_back(a);
    EXPECT_EQ(actions,
              (std::vector<std::string>{"inhibit recording", "release recording",
                                        "inhibit recording", "release recording", "power-off"}))
        << output;

    const auto rows = recordingRows(db); // in file name order: the record number rises
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(rows[0].fileName.find("_Morning Show.wav"), std::string::npos) << rows[0].fileName;
    EXPECT_NE(rows[1].fileName.find("_Noon News.wav"), std::string::npos) << rows[1].fileName;
    // Starts and stops come within the first seconds of their minutes.
    EXPECT_NEAR(durationSeconds(rows[0].duration), firstSeconds, 3) << rows[0].duration;
    EXPECT_NEAR(durationSeconds(rows[1].duration), 60, 3) << rows[1].duration;
    const auto files = filesIn(records);
    ASSERT_EQ(files.size(), 2u);
    for (const auto& row : rows) {
        const auto file = std::find_if(files.begin(), files.end(), [&](const auto& f) {
            return f.filename().string() == row.fileName;
        });
        ASSERT_NE(file, files.end()) << row.fileName;
        // 44,100 frames of 4 bytes a second, less a few seconds for the edges.
        const auto seconds = uintmax_t(std::max(durationSeconds(row.duration) - 5, 1));
        EXPECT_GT(std::filesystem::file_size(*file), 44100u * 4 * seconds) << row.fileName;
    }
    EXPECT_TRUE(program.endInOrder(SIGTERM, 15000)) << program.errors();
}
