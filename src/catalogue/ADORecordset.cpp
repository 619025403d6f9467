#include "catalogue/ADORecordset.h"

#include "catalogue/ADOConnection.h"
#include "catalogue/CatalogueSchema.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

namespace vorlane {

namespace {

using StatementPtr = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Matches "select * from <table>" at the start of sql, case-insensitively. On a match
// returns the table name and the sql with the rowid selected in front of the columns.
bool asUpdatable(const std::string& sql, std::string& table, std::string& rewritten) {
    size_t i = 0;
    auto blanks = [&](bool required) {
        size_t start = i;
        while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i])))
            ++i;
        return !required || i > start;
    };
    auto word = [&](const char* w) {
        size_t n = std::char_traits<char>::length(w);
        if (i + n > sql.size() || !sameName(sql.substr(i, n), w))
            return false;
        i += n;
        return true;
    };
    if (!(blanks(false) && word("select") && blanks(true) && word("*") && blanks(true) &&
          word("from") && blanks(true)))
        return false;
    size_t nameStart = i;
    while (i < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[i])) || sql[i] == '_'))
        ++i;
    if (i == nameStart || (i < sql.size() && !std::isspace(static_cast<unsigned char>(sql[i]))))
        return false;
    table = sql.substr(nameStart, i - nameStart);
    rewritten = "select rowid, * from " + sql.substr(nameStart);
    return true;
}

std::string trimmed(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

using Value = std::variant<std::monostate, int64_t, double, std::string>;

struct WriteResult {
    bool ok = false;
    int64_t rowid = 0;
    std::string error;
};

// Runs one INSERT, UPDATE or DELETE with its values bound in order. The handle's mutex is
// held across the step so that the change count and rowid read are this statement's.
// A change or delete that met no row did not do what was asked: ok is false then.
WriteResult write(sqlite3* db, const std::string& sql, const std::vector<Value>& values,
                  bool requireChange) {
    WriteResult r;
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr);
    StatementPtr stmt(raw, &sqlite3_finalize);
    if (rc != SQLITE_OK) {
        r.error = sqlite3_errmsg(db);
        return r;
    }
    for (size_t i = 0; i < values.size(); ++i) {
        int index = int(i) + 1;
        if (auto n = std::get_if<int64_t>(&values[i]))
            sqlite3_bind_int64(stmt.get(), index, *n);
        else if (auto d = std::get_if<double>(&values[i]))
            sqlite3_bind_double(stmt.get(), index, *d);
        else if (auto t = std::get_if<std::string>(&values[i]))
            sqlite3_bind_text(stmt.get(), index, t->c_str(), int(t->size()), SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(stmt.get(), index);
    }
    sqlite3_mutex_enter(sqlite3_db_mutex(db));
    rc = sqlite3_step(stmt.get());
    r.ok = rc == SQLITE_DONE;
    bool changed = sqlite3_changes(db) > 0;
    r.rowid = sqlite3_last_insert_rowid(db);
    if (!r.ok)
        r.error = sqlite3_errmsg(db);
    sqlite3_mutex_leave(sqlite3_db_mutex(db));
    if (r.ok && requireChange && !changed) {
        r.ok = false;
        r.error = "the row is no longer in the catalogue";
    }
    return r;
}

} // namespace

ADORecordset::~ADORecordset() {
    Close();
}

bool ADORecordset::Open(ADOConnection& connection, const Statement& statement) {
    Close();
    if (!connection.IsOpen()) {
        fail("the catalogue is not open", false);
        return false;
    }
    sqlite3* db = connection.Handle();
    try {
        std::string sql = statement.sql;
        std::string table, rewritten;
        bool updatable = asUpdatable(sql, table, rewritten);
        if (updatable)
            sql = rewritten;

        sqlite3_stmt* raw = nullptr;
        int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr);
        StatementPtr stmt(raw, &sqlite3_finalize);
        if (rc != SQLITE_OK || !stmt) {
            fail(rc != SQLITE_OK ? sqlite3_errmsg(db) : "the statement is empty", false);
            return false;
        }
        if (sqlite3_bind_parameter_count(stmt.get()) != int(statement.params.size())) {
            fail("the statement's values do not match its placeholders", false);
            return false;
        }
        for (size_t i = 0; i < statement.params.size(); ++i)
            sqlite3_bind_text(stmt.get(), int(i) + 1, statement.params[i].c_str(),
                              int(statement.params[i].size()), SQLITE_TRANSIENT);

        int first = updatable ? 1 : 0;
        int count = sqlite3_column_count(stmt.get());
        std::vector<Column> columns;
        for (int c = first; c < count; ++c) {
            const char* decl = sqlite3_column_decltype(stmt.get(), c);
            Affinity a = CatalogueSchema::affinityOf(decl ? decl : "");
            columns.push_back({sqlite3_column_name(stmt.get(), c), a == Affinity::Integer ||
                                                                       a == Affinity::Numeric ||
                                                                       a == Affinity::Real});
        }

        std::vector<Row> rows;
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
            Row row;
            row.rowid = updatable ? sqlite3_column_int64(stmt.get(), 0) : 0;
            row.values.reserve(columns.size());
            for (int c = first; c < count; ++c) {
                switch (sqlite3_column_type(stmt.get(), c)) {
                case SQLITE_INTEGER:
                    row.values.emplace_back(int64_t(sqlite3_column_int64(stmt.get(), c)));
                    break;
                case SQLITE_FLOAT:
                    row.values.emplace_back(sqlite3_column_double(stmt.get(), c));
                    break;
                case SQLITE_NULL:
                    row.values.emplace_back(std::monostate{});
                    break;
                default: {
                    auto text = static_cast<const char*>(sqlite3_column_blob(stmt.get(), c));
                    int bytes = sqlite3_column_bytes(stmt.get(), c);
                    row.values.emplace_back(std::string(text ? text : "", size_t(bytes)));
                    break;
                }
                }
            }
            rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) {
            fail(sqlite3_errmsg(db), false);
            return false;
        }

        connection_ = &connection;
        table_ = updatable ? table : std::string();
        columns_ = std::move(columns);
        rows_ = std::move(rows);
        open_ = true;
        pos_ = 0;
        bof_ = rows_.empty();
        return true;
    } catch (const std::exception& e) {
        Close();
        fail(e.what(), false);
        return false;
    }
}

void ADORecordset::Close() {
    // A pending edit is dropped, not stored: closing is no request to write.
    dropEdit();
    connection_ = nullptr;
    open_ = false;
    table_.clear();
    columns_.clear();
    rows_.clear();
    pos_ = 0;
    bof_ = true;
    ClearError();
}

bool ADORecordset::IsBOF() const {
    return !open_ || bof_;
}

bool ADORecordset::IsEOF() const {
    return !open_ || pos_ >= rows_.size();
}

void ADORecordset::MoveFirst() {
    if (mode_ != EditMode::None)
        Update();
    if (!open_)
        return;
    pos_ = 0;
    while (pos_ < rows_.size() && rows_[pos_].deleted)
        ++pos_;
    bof_ = pos_ >= rows_.size();
}

void ADORecordset::MoveNext() {
    if (mode_ != EditMode::None)
        Update();
    if (IsEOF()) {
        fail("moved past the last row", true);
        return;
    }
    do
        ++pos_;
    while (pos_ < rows_.size() && rows_[pos_].deleted);
    bof_ = false;
}

int ADORecordset::RecordCount() const {
    return int(std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return !r.deleted; }));
}

int64_t ADORecordset::RowId() const {
    return hasCurrentRow() ? rows_[pos_].rowid : 0;
}

std::string ADORecordset::GetText(const std::string& column) {
    const Value* v = field(column);
    if (!v)
        return {};
    if (auto s = std::get_if<std::string>(v))
        return *s;
    if (auto i = std::get_if<int64_t>(v))
        return std::to_string(*i);
    if (auto d = std::get_if<double>(v)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.15g", *d);
        return buf;
    }
    return {};
}

int ADORecordset::GetInt(const std::string& column) {
    const Value* v = field(column);
    if (!v)
        return 0;
    constexpr int64_t lo = std::numeric_limits<int>::min();
    constexpr int64_t hi = std::numeric_limits<int>::max();
    if (auto i = std::get_if<int64_t>(v)) {
        if (*i >= lo && *i <= hi)
            return int(*i);
    } else if (auto d = std::get_if<double>(v)) {
        if (std::isfinite(*d) && std::trunc(*d) == *d && *d >= double(lo) && *d <= double(hi))
            return int(*d);
    } else if (auto s = std::get_if<std::string>(v)) {
        std::string t = trimmed(*s);
        const char* b = t.data();
        const char* e = t.data() + t.size();
        if (b != e && *b == '+')
            ++b;
        int out = 0;
        auto [end, ec] = std::from_chars(b, e, out);
        if (b != e && ec == std::errc() && end == e)
            return out;
    } else {
        return 0; // NULL, as older files without defaults may hold
    }
    fail("the field " + column + " does not hold a whole number", true);
    return 0;
}

void ADORecordset::PutText(const std::string& column, const std::string& value) {
    put(column, value);
}

void ADORecordset::PutInt(const std::string& column, int value) {
    put(column, int64_t(value));
}

void ADORecordset::AddNew() {
    if (mode_ != EditMode::None)
        Update();
    if (!open_ || table_.empty()) {
        fail("this selection cannot take new rows", true);
        return;
    }
    mode_ = EditMode::Adding;
    pending_.assign(columns_.size(), std::nullopt);
}

bool ADORecordset::Update() {
    // A put that went wrong may have left no edit behind; that is still no success.
    if (fieldError_) {
        dropEdit();
        return false;
    }
    if (mode_ == EditMode::None)
        return true;
    bool ok = false;
    if (!connection_ || !connection_->IsOpen()) {
        fail("the catalogue is not open", false);
    } else {
        ok = mode_ == EditMode::Adding ? insertRow() : updateRow();
    }
    dropEdit();
    return ok;
}

void ADORecordset::CancelUpdate() {
    dropEdit();
}

bool ADORecordset::Delete() {
    if (mode_ != EditMode::None) {
        bool adding = mode_ == EditMode::Adding;
        dropEdit();
        if (adding)
            return true; // the new row never reached the table
    }
    if (fieldError_)
        return false;
    if (table_.empty()) {
        fail("this selection cannot delete rows", false);
        return false;
    }
    if (!hasCurrentRow()) {
        fail("there is no current row to delete", false);
        return false;
    }
    if (!connection_ || !connection_->IsOpen()) {
        fail("the catalogue is not open", false);
        return false;
    }
    WriteResult r = write(connection_->Handle(),
                          "DELETE FROM " + CatalogueSchema::quotedName(table_) + " WHERE rowid = ?",
                          {rows_[pos_].rowid}, true);
    if (!r.ok) {
        fail(r.error, false);
        return false;
    }
    rows_[pos_].deleted = true;
    return true;
}

void ADORecordset::ClearError() {
    lastError_.clear();
    fieldError_ = false;
}

std::optional<size_t> ADORecordset::columnIndex(const std::string& column) {
    for (size_t i = 0; i < columns_.size(); ++i)
        if (sameName(columns_[i].name, column))
            return i;
    fail("there is no field " + column, true);
    return std::nullopt;
}

const ADORecordset::Value* ADORecordset::field(const std::string& column) {
    if (!open_) {
        fail("the recordset is not open", true);
        return nullptr;
    }
    std::optional<size_t> idx = columnIndex(column);
    if (!idx)
        return nullptr;
    if (mode_ != EditMode::None && pending_[*idx])
        return &*pending_[*idx];
    if (mode_ == EditMode::Adding) {
        static const Value kUnset;
        return &kUnset;
    }
    if (!hasCurrentRow()) {
        fail("there is no current row to read " + column + " from", true);
        return nullptr;
    }
    return &rows_[pos_].values[*idx];
}

void ADORecordset::put(const std::string& column, Value value) {
    if (!open_ || table_.empty()) {
        fail("this selection cannot be changed", true);
        return;
    }
    std::optional<size_t> idx = columnIndex(column);
    if (!idx)
        return;
    if (mode_ == EditMode::None) {
        if (!hasCurrentRow()) {
            fail("there is no current row to write " + column + " to", true);
            return;
        }
        mode_ = EditMode::Editing;
        pending_.assign(columns_.size(), std::nullopt);
    }
    pending_[*idx] = std::move(value);
}

bool ADORecordset::hasCurrentRow() const {
    return open_ && !bof_ && pos_ < rows_.size() && !rows_[pos_].deleted;
}

bool ADORecordset::insertRow() {
    Row row;
    std::string names, marks;
    for (size_t i = 0; i < columns_.size(); ++i) {
        // Unset text columns get '' rather than NULL: "NULL NOT LIKE x" is never true.
        Value v = pending_[i]           ? *pending_[i]
                  : columns_[i].integer ? Value(int64_t(0))
                                        : Value(std::string());
        row.values.push_back(std::move(v));
        names += (i ? ", " : "") + CatalogueSchema::quotedName(columns_[i].name);
        marks += i ? ", ?" : "?";
    }
    WriteResult r = write(connection_->Handle(),
                          "INSERT INTO " + CatalogueSchema::quotedName(table_) + " (" + names +
                              ") VALUES (" + marks + ")",
                          row.values, false);
    if (!r.ok) {
        fail(r.error, false);
        return false;
    }
    row.rowid = r.rowid;
    // Like a static cursor: the new row joins the end of the snapshot and becomes current.
    rows_.push_back(std::move(row));
    pos_ = rows_.size() - 1;
    bof_ = false;
    return true;
}

bool ADORecordset::updateRow() {
    if (!hasCurrentRow()) {
        fail("there is no current row to store", false);
        return false;
    }
    std::string sets;
    std::vector<Value> values;
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (!pending_[i])
            continue;
        sets +=
            (values.empty() ? "" : ", ") + CatalogueSchema::quotedName(columns_[i].name) + " = ?";
        values.push_back(*pending_[i]);
    }
    if (values.empty())
        return true;
    values.emplace_back(rows_[pos_].rowid);
    WriteResult r =
        write(connection_->Handle(),
              "UPDATE " + CatalogueSchema::quotedName(table_) + " SET " + sets + " WHERE rowid = ?",
              values, true);
    if (!r.ok) {
        fail(r.error, false);
        return false;
    }
    for (size_t i = 0; i < columns_.size(); ++i)
        if (pending_[i])
            rows_[pos_].values[i] = *pending_[i];
    return true;
}

void ADORecordset::fail(const std::string& message, bool fieldError) {
    lastError_ = message;
    if (fieldError)
        fieldError_ = true;
}

void ADORecordset::dropEdit() {
    mode_ = EditMode::None;
    pending_.clear();
}

} // namespace vorlane
