#pragma once

#include <string>

struct sqlite3;

namespace vorlane {

class ADORecordset;

// The catalogue connection: one SQLite database file holding the RecordFile and TaskFile
// tables. Thread contract: opened on the device thread, then used from the main thread,
// one thread at a time; the handle is opened fully serialised, so SQLite itself is safe
// across that hand-over, but this object's own fields are not guarded.
class ADOConnection {
public:
    enum class Status {
        Closed,
        Open,
        Missing,       // no file at the path; nothing was created
        NotACatalogue, // not a database, or a table or column missing or mistyped
        Busy,          // locked by another connection for longer than the busy timeout
        Unavailable    // cannot be opened: permissions, I/O error, a folder, ...
    };

    static constexpr int kDefaultBusyTimeoutMs = 3000;

    ADOConnection() = default;
    ~ADOConnection();
    ADOConnection(const ADOConnection&) = delete;
    ADOConnection& operator=(const ADOConnection&) = delete;

    // Opens an existing catalogue file; never creates or changes one. False when the file
    // is missing, locked past the busy timeout, or not a usable catalogue (see Status()).
    bool Open(const std::string& path, const std::string& password);
    // Adds the tables that a SQLite catalogue lacks when it holds at least one of them
    // (CatalogueSchema::addMissingTables); a file that is no SQLite database is not
    // touched. True when tables were added; `added` names them.
    static bool AddMissingTables(const std::string& path, std::string& added);
    // Idempotent.
    void Close();

    bool IsOpen() const { return db_ != nullptr; }
    // True when the file could only be opened for reading: selects work, writes fail.
    bool IsReadOnly() const { return readOnly_; }
    Status GetStatus() const { return status_; }
    // Why the last Open failed, in plain English; empty after a success.
    const std::string& LastError() const { return lastError_; }
    const std::string& Path() const { return path_; }

    // How long a statement waits for another connection's lock; applies at once when open.
    void SetBusyTimeout(int ms);

private:
    friend class ADORecordset;
    sqlite3* Handle() const { return db_; }

    sqlite3* db_ = nullptr;
    Status status_ = Status::Closed;
    bool readOnly_ = false;
    int busyTimeoutMs_ = kDefaultBusyTimeoutMs;
    std::string path_;
    std::string lastError_;
};

} // namespace vorlane
