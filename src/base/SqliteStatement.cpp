#include "base/SqliteStatement.h"

#include <utility>

#include <sqlite3.h>

namespace qm {

namespace {

// The value's bytes; its length is asked after the pointer, as SQLite requires
// when a value is converted to text or blob on the way.
std::string copyColumn(sqlite3_stmt* statement, int column, const void* bytes)
{
    if (!bytes) {
        return {};
    }
    return std::string(static_cast<const char*>(bytes),
                       static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

}  // namespace

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) : db_(db)
{
    if (!db_) {
        return;
    }
    sqlite3_stmt* prepared = nullptr;
    if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &prepared, nullptr) != SQLITE_OK) {
        sqlite3_finalize(prepared);
        prepared = nullptr;
    }
    statement_ = prepared;
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(statement_);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : db_(other.db_), statement_(std::exchange(other.statement_, nullptr))
{
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(statement_);
        db_ = other.db_;
        statement_ = std::exchange(other.statement_, nullptr);
    }
    return *this;
}

bool SqliteStatement::bindText(int index, std::string_view value)
{
    return statement_ && sqlite3_bind_text64(statement_, index, value.data(), value.size(), SQLITE_TRANSIENT,
                                             SQLITE_UTF8) == SQLITE_OK;
}

bool SqliteStatement::bindTextOrNull(int index, const std::optional<std::string>& value)
{
    return value ? bindText(index, std::string_view(*value)) : bindNull(index);
}

bool SqliteStatement::bindInt(int index, std::int64_t value)
{
    return statement_ && sqlite3_bind_int64(statement_, index, value) == SQLITE_OK;
}

bool SqliteStatement::bindDouble(int index, double value)
{
    return statement_ && sqlite3_bind_double(statement_, index, value) == SQLITE_OK;
}

bool SqliteStatement::bindNull(int index)
{
    return statement_ && sqlite3_bind_null(statement_, index) == SQLITE_OK;
}

bool SqliteStatement::bindBlob(int index, std::string_view bytes)
{
    return statement_ &&
           sqlite3_bind_blob64(statement_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT) == SQLITE_OK;
}

SqliteStatement::Step SqliteStatement::step()
{
    if (!statement_) {
        return Step::error;
    }
    switch (sqlite3_step(statement_)) {
    case SQLITE_ROW:
        return Step::row;
    case SQLITE_DONE:
        return Step::done;
    default:
        return Step::error;
    }
}

bool SqliteStatement::reset()
{
    return statement_ && sqlite3_reset(statement_) == SQLITE_OK;
}

int SqliteStatement::columnCount() const
{
    return statement_ ? sqlite3_column_count(statement_) : 0;
}

std::string SqliteStatement::columnName(int column) const
{
    const char* name = statement_ ? sqlite3_column_name(statement_, column) : nullptr;
    return name ? name : "";
}

bool SqliteStatement::columnIsNull(int column) const
{
    return !statement_ || sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::string SqliteStatement::columnText(int column) const
{
    return statement_ ? copyColumn(statement_, column, sqlite3_column_text(statement_, column))
                      : std::string();
}

std::int64_t SqliteStatement::columnInt(int column) const
{
    return statement_ ? sqlite3_column_int64(statement_, column) : 0;
}

double SqliteStatement::columnDouble(int column) const
{
    return statement_ ? sqlite3_column_double(statement_, column) : 0.0;
}

std::string SqliteStatement::columnBlob(int column) const
{
    return statement_ ? copyColumn(statement_, column, sqlite3_column_blob(statement_, column))
                      : std::string();
}

std::string SqliteStatement::errorMessage() const
{
    return db_ ? sqlite3_errmsg(db_) : "no database connection";
}

}  // namespace qm
