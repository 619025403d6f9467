#pragma once

#include "TestProgramFolder.h"
#include "catalogue/ADOConnection.h"
#include "catalogue/ADORecordset.h"
#include "catalogue/CatalogueOpener.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

namespace vorlane::test {

using Rows = std::vector<std::vector<std::string>>;

// Runs SQL on a file through a connection of its own, as another program would.
inline void execSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "") << " in " << sql;
    sqlite3_free(error);
    sqlite3_close(db);
}

// Every row of a query as text; NULL reads as "<null>".
inline Rows querySql(const std::string& path, const std::string& sql) {
    Rows rows;
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
        rows.emplace_back();
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            auto t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
            rows.back().push_back(t ? t : "<null>");
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

// A program folder with a freshly created catalogue open on `db`.
class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = CatalogueOpener::defaultPath();
        ASSERT_TRUE(CatalogueOpener::open(db, path).opened);
    }

    // Stores a task the way the task list does: every column put, then Update.
    void addTask(const std::string& start, const std::string& end, int repeats = 0,
                 int weekdays = 0, const std::string& marker = "") {
        static const char* const kDays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                            "Friday", "Saturday", "Sunday"};
        ADORecordset rs;
        ASSERT_TRUE(rs.Open(db, {"select * from TaskFile order by StartTime desc", {}}));
        rs.AddNew();
        rs.PutText("StartTime", start);
        rs.PutText("EndTime", end);
        rs.PutInt("DayOfWeek", 0);
        rs.PutText("Test", marker);
        rs.PutText("FileName", "");
        rs.PutInt("Repeats", repeats);
        for (int d = 0; d < 7; ++d)
            rs.PutInt(kDays[d], (weekdays >> d) & 1);
        ASSERT_TRUE(rs.Update()) << rs.LastError();
    }

    // A column of every row the statement returns, in order.
    std::vector<std::string> column(const Statement& st, const std::string& name) {
        std::vector<std::string> out;
        ADORecordset rs;
        EXPECT_TRUE(rs.Open(db, st)) << rs.LastError();
        for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext())
            out.push_back(rs.GetText(name));
        EXPECT_FALSE(rs.HasError()) << rs.LastError();
        return out;
    }

    TestProgramFolder folder;
    std::string path;
    ADOConnection db;
};

} // namespace vorlane::test
