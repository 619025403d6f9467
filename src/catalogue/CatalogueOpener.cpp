#include "catalogue/CatalogueOpener.h"

#include "catalogue/ADOConnection.h"
#include "catalogue/CatalogueSchema.h"
#include "platform/Clock.h"
#include "platform/ProgramFolder.h"

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <thread>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace vorlane {

namespace {

// SQLite has no passwords (the connection ignores it); kept so the call reads as always.
const char* const kCataloguePassword = "quorbel4419";

// Files SQLite keeps beside a database. They belong to that file: left behind, a journal
// would be rolled back into whatever new database later takes the name.
const char* const kSidecars[] = {"-journal", "-wal", "-shm"};

const char* const kGoOnWithout = "recordings and tasks will not be saved until Vorlane is "
                                 "restarted";

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

// Renames without ever replacing an existing file.
bool renameNoReplace(const std::string& from, const std::string& to, std::string& error) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EINVAL || errno == ENOSYS) {
        // File systems without RENAME_NOREPLACE: check first, at the cost of a small race.
        if (exists(to)) {
            error = std::strerror(EEXIST);
            return false;
        }
        if (std::rename(from.c_str(), to.c_str()) == 0)
            return true;
    }
    error = std::strerror(errno);
    return false;
}

std::string stamp() {
    LocalTime t = Clock::current().localTime();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d-%02d%02d%02d", t.year % 10000, t.month % 100,
                  t.day % 100, t.hour % 100, t.minute % 100, t.second % 100);
    return buf;
}

// Moves the file and its sidecars to path + ".damaged-<time>" (plus a counter when that is
// taken). Returns the new name of the file, or "" with error set; on failure whatever was
// already moved is moved back.
std::string setAside(const std::string& path, std::string& error) {
    std::string base = path + ".damaged-" + stamp();
    std::string target;
    for (int n = 1; n < 1000 && target.empty(); ++n) {
        std::string candidate = n == 1 ? base : base + "-" + std::to_string(n);
        bool free = !exists(candidate);
        for (const char* s : kSidecars)
            free = free && !exists(candidate + s);
        if (free)
            target = candidate;
    }
    if (target.empty()) {
        error = "no free name to move it to";
        return {};
    }

    std::vector<std::pair<std::string, std::string>> moved;
    auto undo = [&] {
        std::string ignored;
        for (auto it = moved.rbegin(); it != moved.rend(); ++it)
            renameNoReplace(it->second, it->first, ignored);
    };
    // Sidecars first: the name must never be free while a journal of the old file remains.
    for (const char* s : kSidecars) {
        if (!exists(path + s))
            continue;
        if (!renameNoReplace(path + s, target + s, error)) {
            undo();
            return {};
        }
        moved.emplace_back(path + s, target + s);
    }
    if (exists(path) && !renameNoReplace(path, target, error)) {
        undo();
        return {};
    }
    return target;
}

// Creates a new catalogue file holding both tables. Never touches an existing file: should
// one appear meanwhile, creating the tables fails and it is left as it is.
bool createCatalogue(const std::string& path, std::string& error) {
    std::error_code ec;
    fs::path parent = fs::path(path).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec)) {
        fs::create_directories(parent, ec);
        if (ec) {
            error = ec.message();
            return false;
        }
    }
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                             nullptr);
    bool ok = rc == SQLITE_OK && CatalogueSchema::create(db, error);
    if (rc != SQLITE_OK)
        error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    return ok;
}

// Makes a new catalogue at path and opens it; false with error set when either fails.
bool createAndOpen(ADOConnection& connection, const std::string& path, std::string& error) {
    // Journals left by a file that is gone would be rolled back into the new one.
    bool orphans = false;
    for (const char* s : kSidecars)
        orphans = orphans || exists(path + s);
    if (orphans && setAside(path, error).empty()) {
        error = "old journal files beside it could not be moved aside: " + error;
        return false;
    }
    if (!createCatalogue(path, error))
        return false;
    if (!connection.Open(path, kCataloguePassword)) {
        error = connection.LastError();
        return false;
    }
    return true;
}

} // namespace

std::string CatalogueOpener::defaultPath() {
    return ProgramFolder::path() + "/Resource/NewData.mdb";
}

CatalogueOpenReport CatalogueOpener::open(ADOConnection& connection, const std::string& path) {
    CatalogueOpenReport report;
    // Short waits per attempt at start-up; the usual timeout once the program runs.
    connection.SetBusyTimeout(kAttemptBusyTimeoutMs);
    struct RestoreTimeout {
        ADOConnection& c;
        ~RestoreTimeout() { c.SetBusyTimeout(ADOConnection::kDefaultBusyTimeoutMs); }
    } restore{connection};

    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (connection.Open(path, kCataloguePassword)) {
            report.opened = true;
            report.readOnly = connection.IsReadOnly();
            if (report.readOnly)
                report.message = "The catalogue file " + path +
                                 " is read-only, so new recordings and tasks will not be "
                                 "saved to it.";
            return report;
        }
        switch (connection.GetStatus()) {
        case ADOConnection::Status::Missing: {
            std::string error;
            report.opened = createAndOpen(connection, path, error);
            report.created = report.opened;
            if (!report.opened)
                report.message = "A new catalogue could not be created at " + path + " (" + error +
                                 "), so " + kGoOnWithout + ".";
            return report;
        }
        case ADOConnection::Status::NotACatalogue: {
            std::string reason = connection.LastError();
            std::string added;
            if (ADOConnection::AddMissingTables(path, added) &&
                connection.Open(path, kCataloguePassword)) {
                std::fprintf(stderr, "Vorlane: added the missing table %s to the catalogue %s\n",
                             added.c_str(), path.c_str());
                report.opened = true;
                report.readOnly = connection.IsReadOnly();
                return report;
            }
            std::string error;
            report.setAsidePath = setAside(path, error);
            if (report.setAsidePath.empty()) {
                report.message = "The catalogue file " + path + " could not be used (" + reason +
                                 ") and could not be moved aside (" + error +
                                 "), so it was left as it is and " + kGoOnWithout + ".";
                return report;
            }
            report.opened = createAndOpen(connection, path, error);
            report.created = report.opened;
            if (report.opened)
                report.message = "The catalogue file " + path + " could not be used (" + reason +
                                 "), so it was moved to " + report.setAsidePath +
                                 " and a new, empty catalogue was created.";
            else
                report.message = "The catalogue file " + path + " could not be used (" + reason +
                                 "), so it was moved to " + report.setAsidePath +
                                 ", but a new catalogue could not be created (" + error + "), so " +
                                 kGoOnWithout + ".";
            return report;
        }
        case ADOConnection::Status::Busy:
            if (attempt < kAttempts)
                std::this_thread::sleep_for(std::chrono::milliseconds(kPauseMs));
            break;
        default:
            report.message = "The catalogue file " + path + " could not be opened (" +
                             connection.LastError() + "), so " + kGoOnWithout + ".";
            return report;
        }
    }
    report.message =
        "The catalogue file " + path + " is locked by another program, so " + kGoOnWithout + ".";
    return report;
}

} // namespace vorlane
