#pragma once

// Reading what the real program wrote (catalogue, record folder), shared by the end-to-end
// tests.

#include "SqlFile.h"

#include <QDateTime>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace vorlane::test {

// How often a wait reads the program's catalogue: rarely enough that the program, which
// gives up on a catalogue that stays busy, always gets its turn.
inline constexpr int kCataloguePollMs = 20;

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
