#include "CatalogueTestSupport.h"
#include "catalogue/CatalogueSchema.h"
#include "platform/Clock.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vorlane::test {
namespace {

class CatalogueOpenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        clock.setLocalTime({2026, 12, 5, 17, 9, 56, 0, 6});
        Clock::install(&clock);
        fs::remove_all(folder / "Resource");
        path = CatalogueOpener::defaultPath();
    }
    void TearDown() override { Clock::install(nullptr); }

    std::string aside(const std::string& suffix = "") {
        return path + ".damaged-20261205-170956" + suffix;
    }
    // The new catalogue is usable: it takes a row and gives it back.
    void expectFreshCatalogue() {
        ASSERT_TRUE(db.IsOpen());
        ADORecordset rs;
        ASSERT_TRUE(rs.Open(db, {"select * from TaskFile", {}}));
        EXPECT_TRUE(rs.IsBOF());
        rs.AddNew();
        rs.PutText("StartTime", "2026-01-01 00:00");
        EXPECT_TRUE(rs.Update());
    }

    FakeClock clock;
    TestProgramFolder folder;
    std::string path;
    ADOConnection db;
};

TEST_F(CatalogueOpenerTest, MissingFileIsCreatedWithExactlyTheColumns) {
    EXPECT_EQ(path, folder.path().string() + "/Resource/NewData.mdb");
    CatalogueOpenReport r = CatalogueOpener::open(db, path);
    EXPECT_TRUE(r.opened);
    EXPECT_TRUE(r.created);
    EXPECT_TRUE(r.setAsidePath.empty());
    EXPECT_EQ(r.message, "");
    // name, type, notnull, default, pk
    auto info = [&](const char* table) {
        return querySql(path, std::string("select name, type, \"notnull\", dflt_value, pk from "
                                          "pragma_table_info('") +
                                  table + "')");
    };
    auto text = [](const char* n) { return std::vector<std::string>{n, "TEXT", "1", "''", "0"}; };
    auto integer = [](const char* n) {
        return std::vector<std::string>{n, "INTEGER", "1", "0", "0"};
    };
    EXPECT_EQ(info("RecordFile"),
              (Rows{text("StartTime"), text("Duration"), text("FileFullPathName"), text("FileName"),
                    text("Title"), text("Artist"), text("Album"), text("Year"), text("Comment")}));
    EXPECT_EQ(info("TaskFile"),
              (Rows{text("StartTime"), text("EndTime"), integer("DayOfWeek"), text("Test"),
                    text("FileName"), integer("Repeats"), integer("Monday"), integer("Tuesday"),
                    integer("Wednesday"), integer("Thursday"), integer("Friday"),
                    integer("Saturday"), integer("Sunday")}));
    expectFreshCatalogue();
}

TEST_F(CatalogueOpenerTest, ValidCatalogueIsOpenedUntouched) {
    ASSERT_TRUE(CatalogueOpener::open(db, path).created);
    expectFreshCatalogue();
    db.Close();
    const std::string before = readBytes(path);

    CatalogueOpenReport r = CatalogueOpener::open(db, path);
    EXPECT_TRUE(r.opened);
    EXPECT_FALSE(r.created);
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(readBytes(path), before);
    ADORecordset rs;
    ASSERT_TRUE(rs.Open(db, {"select * from TaskFile", {}}));
    EXPECT_EQ(rs.GetText("StartTime"), "2026-01-01 00:00");
}

TEST_F(CatalogueOpenerTest, OlderLooserSchemaIsAccepted) {
    writeBytes(path, "");
    execSql(path, "create table RecordFile (StartTime varchar(255), Duration text, "
                  "FileFullPathName memo_text, FileName text, Title text, Artist text, Album "
                  "text, Year text, Comment text, Genre text);"
                  "create table TaskFile (StartTime text, EndTime text, DayOfWeek long, Test "
                  "text, FileName text, Repeats int, Monday int, Tuesday int, Wednesday int, "
                  "Thursday int, Friday int, Saturday int, Sunday smallint)");
    CatalogueOpenReport r = CatalogueOpener::open(db, path);
    EXPECT_TRUE(r.opened);
    EXPECT_FALSE(r.created);
    EXPECT_FALSE(fs::exists(aside()));
}

TEST_F(CatalogueOpenerTest, UnusableFilesAreMovedAsideIntactAndReplaced) {
    struct Case {
        const char* name;
        const char* sql; // nullptr: a text file
    };
    const Case cases[] = {
        {"text file", nullptr},
        {"no TaskFile, RecordFile damaged",
         "create table RecordFile (StartTime text, Duration text); insert into RecordFile "
         "(StartTime) values ('kept')"},
        {"someone else's database", "create table Notes (Title text)"},
        {"column missing", "create table RecordFile (StartTime text); create table TaskFile "
                           "(StartTime text)"},
        {"flags as text",
         "create table RecordFile (StartTime text, Duration text, FileFullPathName text, "
         "FileName text, Title text, Artist text, Album text, Year text, Comment text); create "
         "table TaskFile (StartTime text, EndTime text, DayOfWeek integer, Test text, FileName "
         "text, Repeats text, Monday integer, Tuesday integer, Wednesday integer, Thursday "
         "integer, Friday integer, Saturday integer, Sunday integer)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder / "Resource");
        if (c.sql) {
            writeBytes(path, "");
            execSql(path, c.sql);
        } else {
            writeBytes(path, "Title=Blue Train\nnot a database\n");
        }
        const std::string before = readBytes(path);

        CatalogueOpenReport r = CatalogueOpener::open(db, path);
        EXPECT_TRUE(r.opened);
        EXPECT_TRUE(r.created);
        EXPECT_EQ(r.setAsidePath, aside());
        EXPECT_EQ(readBytes(aside()), before);
        EXPECT_NE(r.message.find(aside()), std::string::npos) << r.message;
        if (std::string(c.name) == "no TaskFile, RecordFile damaged") {
            EXPECT_EQ(querySql(aside(), "select StartTime from RecordFile"), Rows{{"kept"}});
        }
        expectFreshCatalogue();
        db.Close();
    }
}

TEST_F(CatalogueOpenerTest, SetAsideNeverReplacesAnEarlierOneAndTakesItsJournal) {
    writeBytes(aside(), "an earlier damaged file");
    writeBytes(path, "garbage");
    writeBytes(path + "-journal", "journal bytes");
    CatalogueOpenReport r = CatalogueOpener::open(db, path);
    EXPECT_TRUE(r.opened);
    EXPECT_EQ(r.setAsidePath, aside("-2"));
    EXPECT_EQ(readBytes(aside()), "an earlier damaged file");
    EXPECT_EQ(readBytes(aside("-2")), "garbage");
    // Left in place, the old journal would be rolled back into the new catalogue.
    EXPECT_EQ(readBytes(aside("-2-journal")), "journal bytes");
    EXPECT_FALSE(fs::exists(path + "-journal"));
    expectFreshCatalogue();
}

TEST_F(CatalogueOpenerTest, LockedFileGivesUpWithinSecondsAndIsLeftAlone) {
    ASSERT_TRUE(CatalogueOpener::open(db, path).opened);
    db.Close();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);

    auto start = std::chrono::steady_clock::now();
    CatalogueOpenReport r = CatalogueOpener::open(db, path);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(r.opened);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(r.setAsidePath.empty());
    EXPECT_NE(r.message.find("locked"), std::string::npos) << r.message;
    EXPECT_LT(elapsed, std::chrono::seconds(5));
    EXPECT_GE(elapsed, std::chrono::milliseconds(CatalogueOpener::kAttempts *
                                                 CatalogueOpener::kAttemptBusyTimeoutMs))
        << "every attempt waited for the lock";

    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_TRUE(CatalogueOpener::open(db, path).opened);
    EXPECT_FALSE(fs::exists(aside()));
}

// Runs fn as an unprivileged user when the tests run as root, who ignores file modes.
// fn's result becomes the exit code of the child.
int asUnprivilegedUser(const std::function<int()>& fn) {
    if (::geteuid() != 0)
        return fn();
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(100);
        ::_exit(fn());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

TEST_F(CatalogueOpenerTest, ReadOnlyFileOrAFolderIsNeverMovedAside) {
    ASSERT_TRUE(CatalogueOpener::open(db, path).opened);
    expectFreshCatalogue();
    db.Close();
    fs::permissions(folder.path(), fs::perms::all);
    fs::permissions(folder / "Resource", fs::perms::all);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    int result = asUnprivilegedUser([&] {
        ADOConnection ro;
        CatalogueOpenReport r = CatalogueOpener::open(ro, path);
        if (!r.opened || !r.readOnly || r.message.find("read-only") == std::string::npos)
            return 1;
        ADORecordset rs;
        if (!rs.Open(ro, {"select * from TaskFile", {}}) ||
            rs.GetText("StartTime") != "2026-01-01 00:00")
            return 2;
        rs.AddNew();
        return rs.Update() ? 3 : 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(fs::exists(aside()));

    fs::remove(path);
    fs::create_directory(path);
    CatalogueOpenReport r = CatalogueOpener::open(db, path);
    EXPECT_FALSE(r.opened);
    EXPECT_FALSE(r.message.empty());
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_FALSE(fs::exists(aside()));
}

TEST_F(CatalogueOpenerTest, ACatalogueThatLacksOneTableGetsItAndKeepsItsRows) {
    for (const char* missing : {"TaskFile", "RecordFile"}) {
        SCOPED_TRACE(missing);
        fs::remove_all(folder / "Resource");
        writeBytes(path, "");
        std::string sql;
        for (const TableDefinition& table : CatalogueSchema::tables())
            if (std::string(table.name) != missing)
                sql += CatalogueSchema::createText(table);
        sql += std::string(missing) == "TaskFile"
                   ? "insert into RecordFile (Title) values ('kept');"
                   : "insert into TaskFile (FileName) values ('kept');";
        execSql(path, sql);

        CatalogueOpenReport r = CatalogueOpener::open(db, path);
        EXPECT_TRUE(r.opened);
        EXPECT_FALSE(r.created);
        EXPECT_TRUE(r.setAsidePath.empty());
        EXPECT_FALSE(fs::exists(aside()));
        EXPECT_EQ(querySql(path, std::string(missing) == "TaskFile"
                                     ? "select Title from RecordFile"
                                     : "select FileName from TaskFile"),
                  Rows{{"kept"}});
        ADORecordset rs;
        EXPECT_TRUE(rs.Open(db, {std::string("select * from ") + missing, {}}));
        db.Close();
    }
}

} // namespace
} // namespace vorlane::test
