#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace qm {

// One prepared SQLite statement, finalized when the object goes. Parameters are
// bound by their 1-based index; text and blobs are copied by SQLite at once, so
// the caller's buffers need not outlive the call. Columns are read by their
// 0-based index from the current row.
//
// A statement that did not prepare (bad SQL, no connection) is false; binding
// to it, stepping it or resetting it does nothing and reports failure, and its
// columns read as NULL. errorMessage() says why, as the connection reports it.
//
// Like its connection, a statement is used on one thread at a time.
class SqliteStatement {
public:
    enum class Step {
        row,    // a row is ready to be read
        done,   // the statement ran to completion
        error,  // it failed: errorMessage() says why
    };

    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    explicit operator bool() const { return statement_ != nullptr; }
    sqlite3_stmt* handle() const { return statement_; }

    // Each returns whether SQLite accepted the value (false for an index out of
    // range or a statement that did not prepare).
    bool bindText(int index, std::string_view value);
    // NULL when the value is absent.
    bool bindTextOrNull(int index, const std::optional<std::string>& value);
    bool bindInt(int index, std::int64_t value);
    bool bindDouble(int index, double value);
    bool bindNull(int index);
    bool bindBlob(int index, std::string_view bytes);

    Step step();
    // Steps a statement that returns no rows: true when it ran to completion.
    bool run() { return step() == Step::done; }
    // Makes the statement ready to run again; the bindings stay. False when
    // the last step failed (the statement is reset all the same).
    bool reset();

    int columnCount() const;
    // The column's name in the result ("" when unknown).
    std::string columnName(int column) const;
    bool columnIsNull(int column) const;
    // SQLite's text form of the value; "" for NULL.
    std::string columnText(int column) const;
    std::int64_t columnInt(int column) const;
    double columnDouble(int column) const;
    // The value's bytes; "" for NULL.
    std::string columnBlob(int column) const;

    // The connection's latest error, or "no database connection".
    std::string errorMessage() const;

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
};

}  // namespace qm
