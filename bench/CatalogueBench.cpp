#include "CatalogueBench.h"

#include "catalogue/ADOConnection.h"
#include "catalogue/ADORecordset.h"
#include "catalogue/CatalogueOpener.h"
#include "catalogue/CatalogueStatements.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace vorlane {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string startTime(int i) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", 2000 + i / 400000,
                  1 + i / 33000 % 12, 1 + i / 1100 % 28, i / 60 % 24, i % 60, i * 7 % 60);
    return text;
}

// Fills the table in one transaction: the set-up is not what is measured.
bool fill(const std::string& path, int rows) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
        return false;
    sqlite3_stmt* st = nullptr;
    bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK &&
              sqlite3_prepare_v2(db,
                                 "INSERT INTO RecordFile (StartTime, Duration, FileFullPathName, "
                                 "FileName, Title) VALUES (?, '00:03:20', ?, ?, 'Side A')",
                                 -1, &st, nullptr) == SQLITE_OK;
    for (int i = 0; ok && i < rows; ++i) {
        const std::string name = "No.01-Track" + std::to_string(i) + ".mp3";
        const std::string full = "/srv/records/" + name;
        const std::string start = startTime(i);
        sqlite3_bind_text(st, 1, start.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, full.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, name.c_str(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(st) == SQLITE_DONE;
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// What the browser does to show a page: count, then read the page's rows.
bool showPage(ADOConnection& db, int page) {
    ADORecordset count;
    if (!count.Open(db, CatalogueStatements::recordingCount()))
        return false;
    const int total = count.GetInt("Total");
    ADORecordset rs;
    if (!rs.Open(db, CatalogueStatements::recordingsNewestFirstPage(page * 10, 10)))
        return false;
    int seen = 0;
    for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext())
        seen += !rs.GetText("FileFullPathName").empty();
    return total > 0 && seen > 0;
}

// What the recording controller does when a file is finished.
bool addRow(ADOConnection& db, int i) {
    ADORecordset rs;
    if (!rs.Open(db, CatalogueStatements::recordingsForInsert()))
        return false;
    rs.AddNew();
    rs.PutText("StartTime", startTime(i));
    rs.PutText("Duration", "00:00:42");
    rs.PutText("FileFullPathName", "/srv/records/new" + std::to_string(i) + ".mp3");
    rs.PutText("FileName", "new" + std::to_string(i) + ".mp3");
    for (const char* column : {"Title", "Artist", "Album", "Year", "Comment"})
        rs.PutText(column, "x");
    return rs.Update();
}

bool measure(int rows, const fs::path& folder) {
    const std::string path = (folder / ("catalogue-" + std::to_string(rows) + ".db")).string();
    ADOConnection db;
    if (!CatalogueOpener::open(db, path).opened)
        return false;
    db.Close();
    if (!fill(path, rows) || !db.Open(path, ""))
        return false;

    // What every showing of the browser costs, and a jump to the last page, which has to
    // step over all the rows before it.
    auto pageTime = [&](int page) {
        std::vector<double> times;
        for (int run = 0; run < 5; ++run) {
            const auto start = Clock::now();
            if (!showPage(db, page))
                return -1.0;
            times.push_back(msSince(start));
        }
        return median(times);
    };
    const double firstMs = pageTime(0);
    const double lastMs = pageTime((rows + 9) / 10 - 1);
    if (firstMs < 0 || lastMs < 0)
        return false;
    std::vector<double> inserts;
    for (int i = 0; i < 21; ++i) {
        const auto start = Clock::now();
        if (!addRow(db, rows + i))
            return false;
        inserts.push_back(msSince(start));
    }
    std::printf("catalogue rows=%d page_ms=%.3f insert_ms=%.3f\n", rows, firstMs, median(inserts));
    std::printf("catalogue rows=%d last_page_ms=%.3f\n", rows, lastMs);
    std::fflush(stdout);
    return true;
}

} // namespace

int RunCatalogueBench() {
    const fs::path folder =
        fs::temp_directory_path() / ("vorlane-bench-catalogue-" + std::to_string(::getpid()));
    std::error_code ec;
    fs::create_directories(folder, ec);
    bool ok = !ec;
    for (int rows : {1000, 100000})
        ok = ok && measure(rows, folder);
    fs::remove_all(folder, ec);
    if (!ok) {
        std::fprintf(stderr, "vorlane-bench: the catalogue could not be measured\n");
        return 1;
    }
    return 0;
}

} // namespace vorlane
