#include "base/SqliteStatement.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace qm {
namespace {

using Step = SqliteStatement::Step;

// A private in-memory database with one table whose `name` is unique.
class SqliteStatementTest : public ::testing::Test {
protected:
    SqliteStatementTest()
    {
        EXPECT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, "CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT UNIQUE, value);",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
    }
    ~SqliteStatementTest() override { sqlite3_close(db); }

    sqlite3* db = nullptr;
};

TEST_F(SqliteStatementTest, EachKindOfValueGoesInAndComesBackAsItWas)
{
    const std::string withNul("a\0b", 3);
    const std::string blob("\x00\xFF\x01\x80", 4);
    SqliteStatement insert(db, "INSERT INTO items (name, value) VALUES (?, ?);");
    ASSERT_TRUE(insert);

    struct Row {
        const char* name;
        std::string type;
    };
    // One value per row: bound, run, then the statement is reset for the next.
    ASSERT_TRUE(insert.bindText(1, std::string_view("text")) &&
                insert.bindText(2, std::string_view("caf\u00E9")));
    ASSERT_TRUE(insert.run() && insert.reset());
    ASSERT_TRUE(insert.bindText(1, std::string_view("nul")) && insert.bindText(2, std::string_view(withNul)));
    ASSERT_TRUE(insert.run() && insert.reset());
    ASSERT_TRUE(insert.bindText(1, std::string_view("int")) &&
                insert.bindInt(2, std::numeric_limits<std::int64_t>::min()));
    ASSERT_TRUE(insert.run() && insert.reset());
    ASSERT_TRUE(insert.bindText(1, std::string_view("real")) && insert.bindDouble(2, 0.1));
    ASSERT_TRUE(insert.run() && insert.reset());
    ASSERT_TRUE(insert.bindText(1, std::string_view("null")) && insert.bindNull(2));
    ASSERT_TRUE(insert.run() && insert.reset());
    ASSERT_TRUE(insert.bindText(1, std::string_view("absent")) && insert.bindTextOrNull(2, std::nullopt));
    ASSERT_TRUE(insert.run() && insert.reset());
    ASSERT_TRUE(insert.bindText(1, std::string_view("blob")) && insert.bindBlob(2, blob));
    ASSERT_TRUE(insert.run());

    SqliteStatement select(db, "SELECT name, typeof(value) AS kind, value FROM items ORDER BY id;");
    ASSERT_EQ(select.columnCount(), 3);
    EXPECT_EQ(select.columnName(1), "kind");
    const Row expected[] = {{"text", "text"}, {"nul", "text"},    {"int", "integer"}, {"real", "real"},
                            {"null", "null"}, {"absent", "null"}, {"blob", "blob"}};
    for (const auto& row : expected) {
        ASSERT_EQ(select.step(), Step::row) << row.name;
        EXPECT_EQ(select.columnText(0), row.name);
        EXPECT_EQ(select.columnText(1), row.type) << row.name;
    }
    EXPECT_EQ(select.step(), Step::done);

    // Typed reads of each row, by name.
    SqliteStatement one(db, "SELECT value FROM items WHERE name = ?;");
    const auto read = [&one](const char* name) {
        one.reset();
        one.bindText(1, std::string_view(name));
        EXPECT_EQ(one.step(), Step::row) << name;
    };
    read("text");
    EXPECT_EQ(one.columnText(0), "caf\u00E9");
    read("nul");
    EXPECT_EQ(one.columnText(0), withNul);
    read("int");
    EXPECT_EQ(one.columnInt(0), std::numeric_limits<std::int64_t>::min());
    read("real");
    EXPECT_EQ(one.columnDouble(0), 0.1);
    read("null");
    EXPECT_TRUE(one.columnIsNull(0));
    EXPECT_EQ(one.columnText(0), "");
    read("blob");
    EXPECT_FALSE(one.columnIsNull(0));
    EXPECT_EQ(one.columnBlob(0), blob);
}

// SQLite copies bound text at once: the caller's buffer may change or go
// before the statement runs.
TEST_F(SqliteStatementTest, BoundTextIsCopiedAtOnce)
{
    SqliteStatement insert(db, "INSERT INTO items (name) VALUES (?);");
    {
        std::string name = "first";
        ASSERT_TRUE(insert.bindText(1, name));
        name.assign("overwritten before the step");
    }
    ASSERT_TRUE(insert.run());

    SqliteStatement select(db, "SELECT name FROM items;");
    ASSERT_EQ(select.step(), Step::row);
    EXPECT_EQ(select.columnText(0), "first");
}

TEST_F(SqliteStatementTest, FailuresAreReportedAndNeverCrash)
{
    // SQL that does not prepare: everything reports failure, columns read as NULL.
    SqliteStatement broken(db, "SELEKT nothing;");
    EXPECT_FALSE(broken);
    EXPECT_NE(broken.errorMessage().find("syntax error"), std::string::npos) << broken.errorMessage();
    EXPECT_FALSE(broken.bindText(1, std::string_view("x")));
    EXPECT_FALSE(broken.bindInt(1, 1));
    EXPECT_FALSE(broken.bindNull(1));
    EXPECT_EQ(broken.step(), Step::error);
    EXPECT_FALSE(broken.run());
    EXPECT_FALSE(broken.reset());
    EXPECT_EQ(broken.columnCount(), 0);
    EXPECT_TRUE(broken.columnIsNull(0));
    EXPECT_EQ(broken.columnText(0), "");
    EXPECT_EQ(broken.columnInt(0), 0);

    // No connection at all.
    SqliteStatement unconnected(nullptr, "SELECT 1;");
    EXPECT_FALSE(unconnected);
    EXPECT_EQ(unconnected.errorMessage(), "no database connection");
    EXPECT_EQ(unconnected.step(), Step::error);

    // A parameter the statement does not have.
    SqliteStatement insert(db, "INSERT INTO items (name) VALUES (?);");
    EXPECT_FALSE(insert.bindText(2, std::string_view("x")));
    EXPECT_FALSE(insert.bindInt(0, 1));

    // A statement that fails when it runs says why, and runs again once reset.
    ASSERT_TRUE(insert.bindText(1, std::string_view("same")));
    EXPECT_TRUE(insert.run());
    insert.reset();
    EXPECT_EQ(insert.step(), Step::error);
    EXPECT_NE(insert.errorMessage().find("UNIQUE constraint failed"), std::string::npos)
        << insert.errorMessage();
    insert.reset();
    ASSERT_TRUE(insert.bindText(1, std::string_view("other")));
    EXPECT_TRUE(insert.run());
}

TEST_F(SqliteStatementTest, MovingHandsTheStatementOver)
{
    SqliteStatement first(db, "SELECT 42;");
    SqliteStatement second(std::move(first));
    EXPECT_FALSE(first);  // NOLINT(bugprone-use-after-move): a moved-from statement is empty
    ASSERT_TRUE(second);
    ASSERT_EQ(second.step(), Step::row);
    EXPECT_EQ(second.columnInt(0), 42);

    SqliteStatement third(db, "SELECT 7;");
    third = std::move(second);
    third.reset();
    ASSERT_EQ(third.step(), Step::row);
    EXPECT_EQ(third.columnInt(0), 42);
}

}  // namespace
}  // namespace qm
