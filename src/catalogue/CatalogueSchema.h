#pragma once

#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace vorlane {

// SQLite's column affinity, as derived from a declared column type.
enum class Affinity { Text, Integer, Numeric, Real, Blob };

struct ColumnDefinition {
    const char* name;
    Affinity affinity; // Text or Integer
};

struct TableDefinition {
    const char* name;
    std::vector<ColumnDefinition> columns;
};

// The two catalogue tables: their definition, the text that creates them, and the check
// that an existing file holds them. Neither table has an INTEGER PRIMARY KEY, so every
// row keeps the plain rowid that the recordset edits and deletes by.
class CatalogueSchema {
public:
    enum class Verdict {
        Usable,
        Unusable, // not a database, or a table or column missing or of the wrong type
        Busy,     // another connection holds a lock; may pass
        Failed    // any other error (I/O, permissions, out of memory)
    };
    struct CheckResult {
        Verdict verdict = Verdict::Failed;
        std::string reason; // plain English, for the user and the logs
    };

    static const std::vector<TableDefinition>& tables();
    // CREATE TABLE statements for both tables and their indexes, separated by ';'.
    static std::string createText();
    // The indexes that keep the browser's pages quick; IF NOT EXISTS, so any file takes them.
    static std::string indexText();
    // Adds missing indexes to a writable file. False (and nothing changed) on failure.
    static bool ensureIndexes(sqlite3* db);
    static std::string createText(const TableDefinition& table);
    // The affinity SQLite gives a column declared with this type.
    static Affinity affinityOf(std::string_view declaredType);
    // A table or column name as an SQL identifier.
    static std::string quotedName(std::string_view name);

    // Reads the schema only; never changes the file.
    static CheckResult check(sqlite3* db);
    // Creates both tables in one transaction; fails (and changes nothing) if either exists.
    static bool create(sqlite3* db, std::string& error);
    // Creates the tables that are missing from a catalogue that holds at least one of
    // them, so that an old or damaged file keeps its rows. True when tables were added;
    // `added` names them.
    static bool addMissingTables(sqlite3* db, std::string& added);

private:
    static bool runInTransaction(sqlite3* db, const std::string& statements, std::string& error);
};

} // namespace vorlane
