#pragma once

#include "SqlFile.h"
#include "TestProgramFolder.h"
#include "catalogue/ADOConnection.h"
#include "catalogue/ADORecordset.h"
#include "catalogue/CatalogueOpener.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorlane::test {

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
