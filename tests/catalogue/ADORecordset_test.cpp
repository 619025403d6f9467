#include "CatalogueTestSupport.h"
#include "catalogue/CatalogueStatements.h"

#include <filesystem>

namespace vorlane::test {
namespace {

using S = CatalogueStatements;

class ADORecordsetTest : public CatalogueTest {
protected:
    void addRecording(const std::string& start, const std::string& file) {
        ADORecordset rs;
        ASSERT_TRUE(rs.Open(db, S::allRecordings()));
        rs.AddNew();
        rs.PutText("StartTime", start);
        rs.PutText("FileFullPathName", file);
        ASSERT_TRUE(rs.Update()) << rs.LastError();
    }
    Rows tasks() { return querySql(path, "select StartTime, Test from TaskFile order by rowid"); }
};

TEST_F(ADORecordsetTest, EmptyTableGivesBofAndTheEditPathsDoNothing) {
    ADORecordset rs;
    ASSERT_TRUE(rs.Open(db, S::tasksEarliestFirst()));
    EXPECT_TRUE(rs.IsBOF());
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_EQ(rs.RecordCount(), 0);
    rs.MoveFirst();
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_FALSE(rs.Delete());
    rs.PutText("Test", "1");
    EXPECT_FALSE(rs.Update());
    EXPECT_TRUE(rs.HasError());
    EXPECT_TRUE(tasks().empty());
}

TEST_F(ADORecordsetTest, TextIsStoredAndReadBackUnchanged) {
    const std::string odd = "Don't \"Stop\" 100% _x_ — Ünïcødé\nline two; drop table RecordFile";
    ADORecordset rs;
    ASSERT_TRUE(rs.Open(db, S::allRecordings()));
    rs.AddNew();
    for (const char* c : {"StartTime", "Duration", "FileFullPathName", "FileName", "Title",
                          "Artist", "Album", "Year", "Comment"})
        rs.PutText(c, odd + c);
    ASSERT_TRUE(rs.Update()) << rs.LastError();

    ADORecordset back;
    ASSERT_TRUE(back.Open(db, S::recordingsNewestFirst()));
    ASSERT_FALSE(back.IsBOF());
    back.MoveFirst();
    EXPECT_EQ(back.GetText("Title"), odd + "Title");
    EXPECT_EQ(back.GetText("comment"), odd + "Comment") << "names match regardless of case";
    EXPECT_EQ(querySql(path, "select typeof(Year), Year from RecordFile"),
              (Rows{{"text", odd + "Year"}}));
}

TEST_F(ADORecordsetTest, InsertWritesEveryColumnNeverNull) {
    ADORecordset rs;
    ASSERT_TRUE(rs.Open(db, S::tasksLatestFirst()));
    rs.AddNew();
    rs.PutText("StartTime", "2026-05-01 10:00");
    EXPECT_EQ(rs.GetText("StartTime"), "2026-05-01 10:00") << "a new row reads what was put";
    ASSERT_TRUE(rs.Update());
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(querySql(path, "select typeof(EndTime), EndTime, typeof(Test), typeof(Repeats), "
                             "Repeats, typeof(Sunday) from TaskFile"),
              (Rows{{"text", "", "text", "integer", "0", "integer"}}));
}

TEST_F(ADORecordsetTest, DeleteAndUpdateTouchOnlyTheRowFound) {
    addTask("2026-01-01 08:00", "2026-01-01 09:00");
    addTask("2026-01-01 08:00", "2026-01-01 09:00");
    addTask("2026-01-02 08:00", "2026-01-02 09:00");
    {
        ADORecordset rs;
        ASSERT_TRUE(rs.Open(db, S::taskByTimes("2026-01-01 08:00", "2026-01-01 09:00")));
        EXPECT_EQ(rs.RecordCount(), 2);
        rs.MoveFirst();
        rs.PutText("Test", "marker");
        ASSERT_TRUE(rs.Update());
        EXPECT_EQ(rs.GetText("Test"), "marker");
    }
    EXPECT_EQ(
        tasks(),
        (Rows{{"2026-01-01 08:00", "marker"}, {"2026-01-01 08:00", ""}, {"2026-01-02 08:00", ""}}));
    {
        ADORecordset rs;
        ASSERT_TRUE(rs.Open(db, S::taskByTimes("2026-01-01 08:00", "2026-01-01 09:00")));
        rs.MoveFirst();
        ASSERT_TRUE(rs.Delete());
        EXPECT_TRUE(rs.Update()) << "nothing left to store after a delete";
        EXPECT_EQ(rs.RecordCount(), 1);
    }
    EXPECT_EQ(tasks(), (Rows{{"2026-01-01 08:00", ""}, {"2026-01-02 08:00", ""}}));
}

TEST_F(ADORecordsetTest, DeletingWhileWalkingVisitsEveryRowOnce) {
    for (int i = 1; i <= 5; ++i)
        addRecording("2026-01-0" + std::to_string(i) + " 10:00:00", "f" + std::to_string(i));
    ADORecordset rs;
    ASSERT_TRUE(rs.Open(db, S::recordingsNewestFirst()));
    std::vector<std::string> seen;
    for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) {
        std::string file = rs.GetText("FileFullPathName");
        seen.push_back(file);
        if (file == "f4" || file == "f2") {
            ASSERT_TRUE(rs.Delete());
            EXPECT_EQ(rs.GetText("FileName"), "") << "the deleted row has no fields";
            EXPECT_TRUE(rs.HasError());
            rs.ClearError();
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"f5", "f4", "f3", "f2", "f1"}));
    EXPECT_EQ(rs.RecordCount(), 3);
    EXPECT_EQ(column(S::recordingsNewestFirst(), "FileFullPathName"),
              (std::vector<std::string>{"f5", "f3", "f1"}));
    rs.MoveFirst();
    EXPECT_EQ(rs.GetText("FileFullPathName"), "f5");
}

TEST_F(ADORecordsetTest, FieldErrorsNeverEndTheProgramAndBlockWrites) {
    addTask("2026-01-01 08:00", "2026-01-01 09:00");
    ADORecordset rs;
    ASSERT_TRUE(rs.Open(db, S::tasksEarliestFirst()));
    rs.MoveFirst();
    EXPECT_EQ(rs.GetText("NoSuchColumn"), "");
    EXPECT_EQ(rs.GetInt("StartTime"), 0) << "a time text is no number";
    EXPECT_TRUE(rs.HasError());
    // A handler that misread its row must not store or delete on the strength of it.
    rs.PutText("Test", "marker");
    EXPECT_FALSE(rs.Update());
    EXPECT_FALSE(rs.Delete());
    EXPECT_EQ(tasks(), (Rows{{"2026-01-01 08:00", ""}}));

    rs.ClearError();
    rs.PutText("Test", "marker");
    rs.PutText("NoSuchColumn", "x");
    EXPECT_FALSE(rs.Update()) << "one bad field spoils the whole edit";
    EXPECT_EQ(tasks(), (Rows{{"2026-01-01 08:00", ""}}));

    rs.ClearError();
    rs.AddNew();
    rs.PutText("StartTime", "2026-02-02 08:00");
    rs.PutInt("Mondays", 1);
    EXPECT_FALSE(rs.Update());
    EXPECT_EQ(tasks().size(), 1u);

    rs.ClearError();
    EXPECT_EQ(rs.GetInt("Repeats"), 0);
    EXPECT_EQ(rs.GetText("Repeats"), "0");
    rs.MoveNext();
    rs.MoveNext(); // past the end
    EXPECT_TRUE(rs.HasError());
}

TEST_F(ADORecordsetTest, OlderFilesWithNullsAndNumbersAsTextRead) {
    execSql(path, "insert into TaskFile (StartTime, Test) values ('2026-01-01 08:00', ' 12 ')");
    execSql(path, "drop table RecordFile; create table RecordFile (StartTime varchar(255), "
                  "Duration text, FileFullPathName text, FileName text, Title text, Artist "
                  "text, Album text, Year text, Comment text); insert into RecordFile "
                  "(StartTime) values ('2026-01-01 08:00:00')");
    ADORecordset rs;
    ASSERT_TRUE(rs.Open(db, S::tasksEarliestFirst()));
    EXPECT_EQ(rs.GetInt("Test"), 12);
    ASSERT_TRUE(rs.Open(db, S::allRecordings()));
    EXPECT_EQ(rs.GetText("Title"), "");
    EXPECT_FALSE(rs.HasError()) << "NULL reads as empty text";
}

TEST_F(ADORecordsetTest, SnapshotIsStaticAndOpenStartsAfresh) {
    addTask("2026-01-01 08:00", "2026-01-01 09:00");
    ADORecordset rs;
    ASSERT_TRUE(rs.Open(db, S::tasksEarliestFirst()));
    execSql(path, "insert into TaskFile (StartTime) values ('2026-01-01 07:00')");
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.GetText("StartTime"), "2026-01-01 08:00");

    // A row gone from the table is reported, not silently "updated".
    execSql(path, "delete from TaskFile where StartTime = '2026-01-01 08:00'");
    rs.PutText("Test", "x");
    EXPECT_FALSE(rs.Update());
    EXPECT_FALSE(rs.Delete());

    EXPECT_FALSE(rs.Open(db, {"select * from NoSuchTable", {}}));
    EXPECT_FALSE(rs.IsOpen());
    EXPECT_TRUE(rs.IsEOF());
    ASSERT_TRUE(rs.Open(db, S::tasksEarliestFirst()));
    EXPECT_FALSE(rs.HasError());
    EXPECT_EQ(rs.GetText("StartTime"), "2026-01-01 07:00");

    // Only "select * from <table>" is updatable.
    ASSERT_TRUE(rs.Open(db, {"select StartTime from TaskFile", {}}));
    EXPECT_EQ(rs.GetText("StartTime"), "2026-01-01 07:00");
    rs.AddNew();
    EXPECT_FALSE(rs.Update());

    db.Close();
    db.Close();
    EXPECT_FALSE(rs.Open(db, S::tasksEarliestFirst()));
    EXPECT_TRUE(rs.IsBOF());
}

} // namespace
} // namespace vorlane::test
