#include "catalogue/CatalogueSchema.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace vorlane {

namespace {

using StatementPtr = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

std::string upper(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return out;
}

bool sameName(std::string_view a, std::string_view b) {
    return upper(a) == upper(b);
}

const char* affinityName(Affinity a) {
    switch (a) {
    case Affinity::Text:
        return "text";
    case Affinity::Integer:
        return "integer";
    case Affinity::Numeric:
        return "numeric";
    case Affinity::Real:
        return "real";
    case Affinity::Blob:
        return "untyped";
    }
    return "unknown";
}

// Whole numbers stored in a NUMERIC column stay integers, so "Repeats = 1" still holds.
bool affinityFits(Affinity wanted, Affinity actual) {
    if (wanted == Affinity::Integer)
        return actual == Affinity::Integer || actual == Affinity::Numeric;
    return actual == wanted;
}

CatalogueSchema::CheckResult failure(sqlite3* db, int rc) {
    int primary = rc & 0xff;
    std::string message = sqlite3_errmsg(db);
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
        return {CatalogueSchema::Verdict::Unusable, "it is not a readable database: " + message};
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return {CatalogueSchema::Verdict::Busy, "it is locked by another program: " + message};
    return {CatalogueSchema::Verdict::Failed, message};
}

StatementPtr prepare(sqlite3* db, const std::string& sql, int& rc) {
    sqlite3_stmt* raw = nullptr;
    rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr);
    return StatementPtr(raw, &sqlite3_finalize);
}

CatalogueSchema::CheckResult checkTable(sqlite3* db, const TableDefinition& table) {
    using Verdict = CatalogueSchema::Verdict;
    int rc = SQLITE_OK;
    // A view or a virtual table of that name would read but not take inserts.
    auto kind = prepare(db, "select type from sqlite_master where name = ? collate nocase", rc);
    if (rc != SQLITE_OK)
        return failure(db, rc);
    sqlite3_bind_text(kind.get(), 1, table.name, -1, SQLITE_STATIC);
    rc = sqlite3_step(kind.get());
    if (rc == SQLITE_DONE)
        return {Verdict::Unusable, std::string("the table ") + table.name + " is missing"};
    if (rc != SQLITE_ROW)
        return failure(db, rc);
    auto type = reinterpret_cast<const char*>(sqlite3_column_text(kind.get(), 0));
    if (!type || std::string_view(type) != "table")
        return {Verdict::Unusable, std::string(table.name) + " is not a plain table"};

    auto info =
        prepare(db, "pragma table_info(" + CatalogueSchema::quotedName(table.name) + ")", rc);
    if (rc != SQLITE_OK)
        return failure(db, rc);
    struct Found {
        std::string name, type;
    };
    std::vector<Found> found;
    while ((rc = sqlite3_step(info.get())) == SQLITE_ROW) {
        auto name = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1));
        auto decl = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 2));
        found.push_back({name ? name : "", decl ? decl : ""});
    }
    if (rc != SQLITE_DONE)
        return failure(db, rc);

    for (const ColumnDefinition& column : table.columns) {
        auto it = std::find_if(found.begin(), found.end(),
                               [&](const Found& f) { return sameName(f.name, column.name); });
        if (it == found.end())
            return {Verdict::Unusable,
                    std::string("the column ") + table.name + "." + column.name + " is missing"};
        Affinity actual = CatalogueSchema::affinityOf(it->type);
        if (!affinityFits(column.affinity, actual))
            return {Verdict::Unusable, std::string("the column ") + table.name + "." + column.name +
                                           " holds " + affinityName(actual) +
                                           " values instead of " + affinityName(column.affinity) +
                                           " values"};
    }

    // Rows are edited and deleted by rowid; a WITHOUT ROWID table has none.
    auto rowid = prepare(
        db, "select rowid from " + CatalogueSchema::quotedName(table.name) + " limit 0", rc);
    if (rc != SQLITE_OK) {
        CatalogueSchema::CheckResult r = failure(db, rc);
        if (r.verdict == Verdict::Failed)
            return {Verdict::Unusable, std::string("the table ") + table.name + " has no rowid"};
        return r;
    }
    return {Verdict::Usable, {}};
}

} // namespace

const std::vector<TableDefinition>& CatalogueSchema::tables() {
    static const std::vector<TableDefinition> kTables = {
        {"RecordFile",
         {{"StartTime", Affinity::Text},
          {"Duration", Affinity::Text},
          {"FileFullPathName", Affinity::Text},
          {"FileName", Affinity::Text},
          {"Title", Affinity::Text},
          {"Artist", Affinity::Text},
          {"Album", Affinity::Text},
          {"Year", Affinity::Text},
          {"Comment", Affinity::Text}}},
        {"TaskFile",
         {{"StartTime", Affinity::Text},
          {"EndTime", Affinity::Text},
          {"DayOfWeek", Affinity::Integer},
          {"Test", Affinity::Text},
          {"FileName", Affinity::Text},
          {"Repeats", Affinity::Integer},
          {"Monday", Affinity::Integer},
          {"Tuesday", Affinity::Integer},
          {"Wednesday", Affinity::Integer},
          {"Thursday", Affinity::Integer},
          {"Friday", Affinity::Integer},
          {"Saturday", Affinity::Integer},
          {"Sunday", Affinity::Integer}}},
    };
    return kTables;
}

std::string CatalogueSchema::createText() {
    // NOT NULL DEFAULT '' because "NULL NOT LIKE x" is never true: a task with a NULL
    // edit marker would drop out of the overlap check.
    std::string sql;
    for (const TableDefinition& table : tables())
        sql += createText(table);
    return sql + indexText();
}

std::string CatalogueSchema::createText(const TableDefinition& table) {
    std::string sql = "CREATE TABLE " + std::string(table.name) + " (";
    bool first = true;
    for (const ColumnDefinition& column : table.columns) {
        sql += first ? "\n    " : ",\n    ";
        first = false;
        sql += column.name;
        sql += column.affinity == Affinity::Integer ? " INTEGER NOT NULL DEFAULT 0"
                                                    : " TEXT NOT NULL DEFAULT ''";
    }
    sql += "\n);\n";
    return sql;
}

std::string CatalogueSchema::indexText() {
    return "CREATE INDEX IF NOT EXISTS RecordFileStartTime ON RecordFile (StartTime);\n";
}

bool CatalogueSchema::ensureIndexes(sqlite3* db) {
    return sqlite3_exec(db, indexText().c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string CatalogueSchema::quotedName(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += c;
    }
    return out + "\"";
}

Affinity CatalogueSchema::affinityOf(std::string_view declaredType) {
    // The rules of SQLite's "Determination Of Column Affinity", in their order.
    std::string t = upper(declaredType);
    auto has = [&](const char* part) { return t.find(part) != std::string::npos; };
    if (has("INT"))
        return Affinity::Integer;
    if (has("CHAR") || has("CLOB") || has("TEXT"))
        return Affinity::Text;
    if (t.empty() || has("BLOB"))
        return Affinity::Blob;
    if (has("REAL") || has("FLOA") || has("DOUB"))
        return Affinity::Real;
    return Affinity::Numeric;
}

CatalogueSchema::CheckResult CatalogueSchema::check(sqlite3* db) {
    for (const TableDefinition& table : tables()) {
        CheckResult r = checkTable(db, table);
        if (r.verdict != Verdict::Usable)
            return r;
    }
    return {Verdict::Usable, {}};
}

bool CatalogueSchema::addMissingTables(sqlite3* db, std::string& added) {
    added.clear();
    std::string sql;
    int present = 0;
    for (const TableDefinition& table : tables()) {
        int rc = SQLITE_OK;
        auto kind = prepare(db, "select 1 from sqlite_master where name = ? collate nocase", rc);
        if (rc != SQLITE_OK)
            return false;
        sqlite3_bind_text(kind.get(), 1, table.name, -1, SQLITE_STATIC);
        rc = sqlite3_step(kind.get());
        if (rc == SQLITE_ROW) {
            // Only a file whose other tables are sound is changed at all.
            if (checkTable(db, table).verdict != Verdict::Usable)
                return false;
            ++present;
        } else if (rc == SQLITE_DONE) {
            sql += createText(table);
            added += added.empty() ? table.name : std::string(", ") + table.name;
        } else {
            return false;
        }
    }
    // A database with none of the tables is someone else's file: never written to.
    if (present == 0 || sql.empty()) {
        added.clear();
        return false;
    }
    std::string error;
    if (!runInTransaction(db, sql, error)) {
        added.clear();
        return false;
    }
    return true;
}

bool CatalogueSchema::create(sqlite3* db, std::string& error) {
    return runInTransaction(db, createText(), error);
}

bool CatalogueSchema::runInTransaction(sqlite3* db, const std::string& statements,
                                       std::string& error) {
    std::string sql = "BEGIN IMMEDIATE;\n" + statements + "COMMIT;";
    char* message = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    if (rc == SQLITE_OK)
        return true;
    error = message ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    if (!sqlite3_get_autocommit(db))
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

} // namespace vorlane
