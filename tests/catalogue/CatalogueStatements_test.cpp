#include "CatalogueTestSupport.h"
#include "catalogue/CatalogueStatements.h"

#include <algorithm>

namespace vorlane::test {
namespace {

using S = CatalogueStatements;
using Strings = std::vector<std::string>;

constexpr int kMonday = 1 << 0, kTuesday = 1 << 1, kSunday = 1 << 6;

class CatalogueStatementsTest : public CatalogueTest {};

TEST_F(CatalogueStatementsTest, TimeTextsSortInTimeOrder) {
    addTask("2026-02-01 00:00", "2026-02-01 01:00");
    addTask("2026-01-05 10:00", "2026-01-05 11:00");
    addTask("2026-01-05 09:00", "2026-01-05 09:30");
    EXPECT_EQ(column(S::tasksEarliestFirst(), "StartTime"),
              (Strings{"2026-01-05 09:00", "2026-01-05 10:00", "2026-02-01 00:00"}));
    EXPECT_EQ(column(S::tasksLatestFirst(), "StartTime"),
              (Strings{"2026-02-01 00:00", "2026-01-05 10:00", "2026-01-05 09:00"}));
    EXPECT_EQ(column(S::allTasks(), "StartTime").size(), 3u);
}

TEST_F(CatalogueStatementsTest, NextSingleTaskSkipsTheCurrentMinute) {
    addTask("2026-12-05 17:20", "2026-12-05 18:00");
    addTask("2026-12-05 17:21", "2026-12-05 18:00");
    addTask("2026-12-05 17:23", "2026-12-05 18:00");
    addTask("2026-12-05 17:22", "2026-12-05 18:00");
    addTask("2026-12-05 17:21", "2026-12-05 18:00", 1, kSunday); // repeats never count here
    EXPECT_EQ(column(S::singleTasksAfter("2026-12-05 17:21"), "StartTime"),
              (Strings{"2026-12-05 17:22", "2026-12-05 17:23"}));
    EXPECT_EQ(column(S::singleTasksAfter("2026-12-05 17:23"), "StartTime"), Strings{});
    // What is left to start includes the current minute.
    EXPECT_EQ(column(S::singleTasksFrom("2026-12-05 17:22"), "StartTime"),
              (Strings{"2026-12-05 17:22", "2026-12-05 17:23"}));
    EXPECT_EQ(column(S::singleTasksFrom("2026-12-05 17:24"), "StartTime"), Strings{});
    EXPECT_EQ(column(S::repeatTasks(), "Sunday"), Strings{"1"});
}

TEST_F(CatalogueStatementsTest, TasksDueInAMinute) {
    addTask("2026-12-05 17:30", "2026-12-05 18:00");
    addTask("2026-01-06 08:00", "2026-01-06 09:00", 1, kTuesday);
    addTask("2026-01-04 20:15", "2026-01-04 21:00", 1, kSunday | kMonday);

    EXPECT_EQ(column(S::singleTasksAt("2026-12-05 17:30"), "EndTime"), Strings{"2026-12-05 18:00"});
    EXPECT_EQ(column(S::singleTasksAt("2026-12-05 17:31"), "EndTime"), Strings{});
    // A repeat task is found on its weekday only, whatever the date of its StartTime.
    EXPECT_EQ(column(S::singleTasksAt("2026-01-06 08:00"), "EndTime"), Strings{});

    EXPECT_EQ(column(S::repeatTasksAt("08:00", 2), "EndTime"), Strings{"2026-01-06 09:00"});
    EXPECT_EQ(column(S::repeatTasksAt("08:00", 1), "EndTime"), Strings{});
    EXPECT_EQ(column(S::repeatTasksAt("08:01", 2), "EndTime"), Strings{});
    EXPECT_EQ(column(S::repeatTasksAt("17:30", 6), "EndTime"), Strings{}); // single task
    EXPECT_EQ(column(S::repeatTasksAt("20:15", 1), "EndTime"), Strings{"2026-01-04 21:00"});
    // A weekday out of range counts as Sunday.
    EXPECT_EQ(column(S::repeatTasksAt("20:15", 9), "EndTime"), Strings{"2026-01-04 21:00"});
    EXPECT_EQ(column(S::repeatTasksAt("20:15", -1), "EndTime"), Strings{"2026-01-04 21:00"});
}

TEST_F(CatalogueStatementsTest, EditMarkerLeavesOnlyItsOwnTaskOut) {
    addTask("2026-03-01 10:00", "2026-03-01 11:00", 0, 0, "2026310103012345");
    addTask("2026-03-02 10:00", "2026-03-02 11:00");
    addTask("2026-03-03 10:00", "2026-03-03 11:00");
    EXPECT_EQ(column(S::tasksWithoutMarker("2026310103012345"), "StartTime"),
              (Strings{"2026-03-03 10:00", "2026-03-02 10:00"}));
    EXPECT_EQ(column(S::tasksWithoutMarker("99"), "StartTime").size(), 3u);
}

TEST_F(CatalogueStatementsTest, ValuesNeverBecomeSql) {
    addTask("2026-03-01 10:00", "2026-03-01 11:00");
    addTask("2026-03-01 10:00", "2026-03-01 11:00");
    EXPECT_EQ(column(S::taskByTimes("2026-03-01 10:00", "2026-03-01 11:00"), "StartTime").size(),
              2u);
    EXPECT_EQ(column(S::taskByTimes("x' or '1'='1", "x' or '1'='1"), "StartTime"), Strings{});
}

TEST_F(CatalogueStatementsTest, PagesOfTheNewestFirstOrder) {
    // 23 rows, two of them with the same start time: pages of ten cover every row once.
    for (int i = 0; i < 23; ++i) {
        ADORecordset rs;
        ASSERT_TRUE(rs.Open(db, S::recordingsForInsert()));
        EXPECT_EQ(rs.RecordCount(), 0);
        rs.AddNew();
        rs.PutText("StartTime", "2026-12-05 17:" + std::to_string(10 + (i == 7 ? 8 : i)) + ":00");
        rs.PutText("FileName", "f" + std::to_string(i));
        ASSERT_TRUE(rs.Update()) << rs.LastError();
    }
    EXPECT_EQ(column(S::recordingCount(), "Total"), Strings{"23"});
    Strings paged;
    for (int first = 0; first < 30; first += 10) {
        Strings page = column(S::recordingsNewestFirstPage(first, 10), "FileName");
        EXPECT_EQ(page.size(), first < 20 ? 10u : 3u);
        paged.insert(paged.end(), page.begin(), page.end());
    }
    Strings all = column(S::recordingsNewestFirst(), "FileName");
    EXPECT_EQ(paged.front(), "f22");
    std::sort(paged.begin(), paged.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(paged, all);
    EXPECT_EQ(column(S::recordingsNewestFirstPage(-5, 2), "FileName").size(), 2u);

    // A page row can be deleted through its recordset, and only that row goes.
    ADORecordset rs;
    ASSERT_TRUE(rs.Open(db, S::recordingsNewestFirstPage(10, 10)));
    rs.MoveNext();
    const std::string doomed = rs.GetText("FileName");
    ADORecordset one;
    ASSERT_TRUE(one.Open(db, S::recordingByRowId(rs.RowId())));
    EXPECT_EQ(one.RecordCount(), 1);
    EXPECT_EQ(one.GetText("FileName"), doomed);
    ASSERT_TRUE(one.Delete());
    EXPECT_EQ(column(S::recordingCount(), "Total"), Strings{"22"});
    Strings left = column(S::recordingsNewestFirst(), "FileName");
    EXPECT_EQ(std::count(left.begin(), left.end(), doomed), 0);
}

TEST_F(CatalogueStatementsTest, PagesAndInsertsUseTheIndexNotTheWholeTable) {
    // A file made before the index existed gets it when it is opened.
    db.Close();
    execSql(path, "DROP INDEX RecordFileStartTime");
    ASSERT_TRUE(db.Open(path, ""));
    auto plan = [&](const Statement& st) {
        std::string text;
        for (const auto& row : querySql(path, "EXPLAIN QUERY PLAN " + st.sql))
            text += row.back() + "\n";
        return text;
    };
    const std::string page = plan(S::recordingsNewestFirstPage(20, 10));
    EXPECT_NE(page.find("RecordFileStartTime"), std::string::npos) << page;
    EXPECT_EQ(page.find("TEMP B-TREE"), std::string::npos) << page;
}

} // namespace
} // namespace vorlane::test
