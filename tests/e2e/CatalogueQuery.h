#pragma once

// Reading what the real program wrote (catalogue, record folder) and waiting for it, shared
// by the end-to-end tests.

#include <QDateTime>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace vorlane::test {

// Every row of a read-only query, each column as text (NULL as ""); empty when the file or
// the statement cannot be used.
inline std::vector<std::vector<std::string>> queryRows(const std::filesystem::path& db,
                                                       const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(h, 3000);
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                std::vector<std::string> row;
                for (int i = 0; i < sqlite3_column_count(st); ++i) {
                    const unsigned char* t = sqlite3_column_text(st, i);
                    row.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
                }
                rows.push_back(std::move(row));
            }
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return rows;
}

// Runs one writing statement; false when the file or the statement cannot be used.
inline bool sql(const std::filesystem::path& db, const std::string& statement) {
    sqlite3* h = nullptr;
    bool ok = sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_busy_timeout(h, 3000);
        ok = sqlite3_exec(h, statement.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3_close(h);
    return ok;
}

// The statement that stores a single task as the task list does.
inline std::string taskRow(const QDateTime& start, const QDateTime& end,
                           const std::string& fileName) {
    const QString f = QStringLiteral("yyyy-MM-dd HH:mm");
    return "insert into TaskFile (StartTime, EndTime, DayOfWeek, Test, FileName, Repeats, "
           "Monday, Tuesday, Wednesday, Thursday, Friday, Saturday, Sunday) values ('" +
           start.toString(f).toStdString() + "', '" + end.toString(f).toStdString() + "', " +
           std::to_string(start.date().dayOfWeek() % 7) + ", '', '" + fileName +
           "', 0, 0, 0, 0, 0, 0, 0, 0)";
}

inline bool waitFor(const std::function<bool()>& pred, int ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QThread::msleep(20);
    }
    return true;
}

// One catalogued recording as the program entered it.
struct RecordingRow {
    std::string fileName, path, duration, title, artist, year;
};

// The catalogue's recordings in file name order.
inline std::vector<RecordingRow> recordingRows(const std::filesystem::path& db) {
    std::vector<RecordingRow> rows;
    for (auto& r : queryRows(db, "select FileName, FileFullPathName, Duration, Title, Artist, "
                                 "Year from RecordFile order by FileName"))
        rows.push_back({r[0], r[1], r[2], r[3], r[4], r[5]});
    return rows;
}

// What ffprobe says of one entry of the file's format section ("format=duration",
// "format_tags=title"), values only.
inline std::string probe(const std::filesystem::path& file, const std::string& entry) {
    QProcess p;
    p.start("ffprobe",
            {"-v", "error", "-show_entries", QString::fromStdString(entry), "-of",
             "default=noprint_wrappers=1:nokey=1", QString::fromStdString(file.string())});
    p.waitForFinished(20000);
    return p.readAllStandardOutput().trimmed().toStdString();
}

// A catalogue duration "h:mm:ss" in seconds.
inline int durationSeconds(const std::string& t) {
    int h = 0, m = 0, s = 0;
    std::sscanf(t.c_str(), "%d:%d:%d", &h, &m, &s);
    return h * 3600 + m * 60 + s;
}

// The files of a folder in name order; empty when the folder is missing.
inline std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::exists(folder))
        for (auto& e : std::filesystem::directory_iterator(folder))
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace vorlane::test
