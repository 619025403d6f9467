#include "catalogue/ADOConnection.h"

#include "catalogue/CatalogueSchema.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace vorlane {

namespace {

enum class Header { Database, Other, Unreadable };

// Checked before SQLite sees the file: on opening, SQLite deletes a journal it cannot
// make sense of, and a journal beside a file that is no database is data we must keep.
Header readHeader(const std::string& path, std::string& error) {
    static const char kMagic[16] = "SQLite format 3"; // with its terminating zero
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = "it is a folder";
        return Header::Unreadable;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    char head[sizeof kMagic] = {};
    if (in)
        in.read(head, sizeof head);
    if (!in.is_open() || in.bad()) {
        error = errno ? std::strerror(errno) : "it cannot be read";
        return Header::Unreadable;
    }
    return in.gcount() == sizeof head && std::memcmp(head, kMagic, sizeof head) == 0
               ? Header::Database
               : Header::Other;
}

} // namespace

ADOConnection::~ADOConnection() {
    Close();
}

bool ADOConnection::Open(const std::string& path, const std::string& password) {
    // SQLite files carry no password; the parameter stays so that callers keep the
    // connection's usual shape, and is ignored.
    (void)password;
    Close();
    path_ = path;
    lastError_.clear();

    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        status_ = ec ? Status::Unavailable : Status::Missing;
        lastError_ = ec ? ec.message() : "the file does not exist";
        return false;
    }

    switch (readHeader(path, lastError_)) {
    case Header::Other:
        status_ = Status::NotACatalogue;
        lastError_ = "it is not a SQLite database";
        return false;
    case Header::Unreadable:
        status_ = Status::Unavailable;
        return false;
    case Header::Database:
        break;
    }

    sqlite3* db = nullptr;
    // Read-write without create: an existing file is used as it is or not at all.
    // FULLMUTEX because the handle changes threads after it is opened.
    int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        lastError_ = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        status_ = Status::Unavailable;
        return false;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, busyTimeoutMs_);

    // SQLite reads the file lazily, so only now do we learn whether it is a catalogue.
    CatalogueSchema::CheckResult check = CatalogueSchema::check(db);
    if (check.verdict != CatalogueSchema::Verdict::Usable) {
        sqlite3_close_v2(db);
        lastError_ = check.reason;
        switch (check.verdict) {
        case CatalogueSchema::Verdict::Unusable:
            status_ = Status::NotACatalogue;
            break;
        case CatalogueSchema::Verdict::Busy:
            status_ = Status::Busy;
            break;
        default:
            status_ = Status::Unavailable;
            break;
        }
        return false;
    }

    db_ = db;
    readOnly_ = sqlite3_db_readonly(db, "main") == 1;
    // Files made before the index existed get it now; without it they still work, slower.
    if (!readOnly_)
        CatalogueSchema::ensureIndexes(db);
    status_ = Status::Open;
    return true;
}

bool ADOConnection::AddMissingTables(const std::string& path, std::string& added) {
    std::string error;
    if (readHeader(path, error) != Header::Database)
        return false;
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
              CatalogueSchema::addMissingTables(db, added);
    sqlite3_close(db);
    return ok;
}

void ADOConnection::Close() {
    if (db_) {
        // close_v2 defers the close until any statement still alive is finalised.
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    readOnly_ = false;
    if (status_ == Status::Open)
        status_ = Status::Closed;
}

void ADOConnection::SetBusyTimeout(int ms) {
    busyTimeoutMs_ = ms < 0 ? 0 : ms;
    if (db_)
        sqlite3_busy_timeout(db_, busyTimeoutMs_);
}

} // namespace vorlane
