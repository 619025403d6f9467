#pragma once

// Reading and writing a SQLite file through a connection of the test's own, as another
// program would. The test target links sqlite3.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vorlane::test {

using Rows = std::vector<std::vector<std::string>>;

// Every row of a read-only query, each column as text (NULL as "<null>"); empty when the
// file or the statement cannot be used, with SQLite's complaint in `error` if given.
inline Rows queryRows(const std::filesystem::path& db, const std::string& sql,
                      std::string* error = nullptr) {
    Rows rows;
    sqlite3* h = nullptr;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(h, 3000);
        sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr);
    }
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        rows.emplace_back();
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            auto t = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
            rows.back().push_back(t ? t : "<null>");
        }
    }
    if (error)
        *error = sqlite3_errcode(h) == SQLITE_OK || sqlite3_errcode(h) == SQLITE_DONE
                     ? ""
                     : sqlite3_errmsg(h);
    sqlite3_finalize(st);
    sqlite3_close(h);
    return rows;
}

// queryRows, where a query that cannot run fails the test.
inline Rows querySql(const std::filesystem::path& db, const std::string& sql) {
    std::string error;
    Rows rows = queryRows(db, sql, &error);
    EXPECT_EQ(error, "") << "in " << sql;
    return rows;
}

// Runs statements on an existing file; SQLite's complaint, or "" when they ran.
inline std::string sqlError(const std::filesystem::path& db, const std::string& statements) {
    sqlite3* h = nullptr;
    std::string error;
    if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(h, 3000);
        char* said = nullptr;
        if (sqlite3_exec(h, statements.c_str(), nullptr, nullptr, &said) != SQLITE_OK)
            error = said ? said : "failed";
        sqlite3_free(said);
    } else {
        error = h ? sqlite3_errmsg(h) : "cannot open";
    }
    sqlite3_close(h);
    return error;
}

// sqlError, where statements that cannot run fail the test.
inline void execSql(const std::filesystem::path& db, const std::string& statements) {
    EXPECT_EQ(sqlError(db, statements), "") << "in " << statements;
}

} // namespace vorlane::test
