#pragma once

#include "catalogue/Statement.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vorlane {

class ADOConnection;

// A static snapshot of the rows a select returned, walked with a cursor, with inserts,
// changes and deletes written straight to the table. A statement of the form
// "select * from <table> ..." is updatable: each row keeps its rowid, and changes and
// deletes go to exactly that row. Any other select is read-only.
//
// Field errors (an unknown column, a value that does not convert, no current row) never
// end the program: the read returns a default, the error is recorded (HasError), and
// Update and Delete refuse to write until ClearError or the next Open, so a handler that
// misread a row cannot store or delete on the strength of it.
//
// Use from one thread at a time; the connection must outlive the recordset's use.
class ADORecordset {
public:
    ADORecordset() = default;
    ~ADORecordset();
    ADORecordset(const ADORecordset&) = delete;
    ADORecordset& operator=(const ADORecordset&) = delete;

    // Runs the select and keeps its rows; the cursor stands on the first row. A snapshot
    // held before is dropped first. False at once when the connection is not open.
    bool Open(ADOConnection& connection, const Statement& statement);
    // Drops the snapshot and any edit not yet stored. Idempotent.
    void Close();
    bool IsOpen() const { return open_; }

    // BOF: before the first row, which right after Open means the result is empty.
    // (Not "EOF()": that name is a macro of <cstdio>.)
    bool IsBOF() const;
    bool IsEOF() const;
    // Moving stores a pending edit first, as Update would.
    void MoveFirst();
    void MoveNext();
    // Rows in the snapshot, less those deleted through it, plus those added through it.
    int RecordCount() const;
    // The table's rowid of the current row of an updatable recordset; 0 when there is none.
    int64_t RowId() const;

    // Text of the field: integers in decimal, NULL as "".
    std::string GetText(const std::string& column);
    // Integer of the field: NULL as 0; text must hold a whole number.
    int GetInt(const std::string& column);
    void PutText(const std::string& column, const std::string& value);
    void PutInt(const std::string& column, int value);

    // Starts a new row; Update inserts it with every column not put written as '' (text
    // columns) or 0 (integer columns), never NULL.
    void AddNew();
    // Stores the new row, or the fields put on the current row. True when there was
    // nothing to store. A failed Update drops the pending edit.
    bool Update();
    void CancelUpdate();
    // Deletes the current row from the table. The cursor stays on the deleted row until
    // the next move; MoveNext then goes to the row after it.
    bool Delete();

    bool HasError() const { return !lastError_.empty(); }
    const std::string& LastError() const { return lastError_; }
    void ClearError();

private:
    using Value = std::variant<std::monostate, int64_t, double, std::string>;
    struct Column {
        std::string name;
        bool integer = false; // integer-like affinity: unset values default to 0
    };
    struct Row {
        int64_t rowid = 0;
        std::vector<Value> values;
        bool deleted = false;
    };
    enum class EditMode { None, Editing, Adding };

    std::optional<size_t> columnIndex(const std::string& column);
    const Value* field(const std::string& column);
    void put(const std::string& column, Value value);
    bool hasCurrentRow() const;
    bool insertRow();
    bool updateRow();
    void fail(const std::string& message, bool fieldError);
    void dropEdit();

    ADOConnection* connection_ = nullptr;
    bool open_ = false;
    std::string table_; // empty when the snapshot is read-only
    std::vector<Column> columns_;
    std::vector<Row> rows_;
    size_t pos_ = 0; // rows_.size() is EOF
    bool bof_ = true;
    EditMode mode_ = EditMode::None;
    std::vector<std::optional<Value>> pending_;
    std::string lastError_;
    bool fieldError_ = false;
};

} // namespace vorlane
