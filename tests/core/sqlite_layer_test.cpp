// The database layer against real SQLite files in a temporary directory.
#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "base/utf.h"
#include "src/sqlite_connection.h"
#include "src/sqlite_exception.h"
#include "tests/support/temp_dir.h"

namespace {

// The composed text of what `action` raises.
std::wstring Raised(const std::function<void()>& action) {
  try {
    action();
  } catch (const CppSQLite3Exception& error) {
    return error.Message();
  }
  return L"(nothing raised)";
}

class SqliteLayerTest : public ::testing::Test {
 protected:
  SqliteLayerTest() {
    db_.Open(path_);
    db_.ExecuteStatement(L"create table dims (featId integer, dimValue real, dimSymbol text)");
  }
  tavtest::TempDir dir_;
  const std::wstring path_ = base::Utf8ToWide(dir_.file("exchange.db"));
  CppSQLite3Connection db_;
};

TEST_F(SqliteLayerTest, RaisesTheCodeNameCodeAndMessageOfEachFailure) {
  CppSQLite3Connection closed;
  CppSQLite3Cursor none, rows = db_.ExecuteQuery(L"select featId from dims");
  const std::pair<std::function<void()>, const wchar_t*> cases[] = {
      {[&] { closed.ExecuteStatement(L"begin"); }, L"Database not open (CPPSQLITE_ERROR[1000])"},
      {[&] { none.AtEnd(); }, L"Null Virtual Machine pointer (CPPSQLITE_ERROR[1000])"},
      {[&] { rows.GetInt(L"featid", 0); }, L"Invalid field name requested (CPPSQLITE_ERROR[1000])"},
      {[&] { rows.ColumnType(1); }, L"Invalid field index requested (CPPSQLITE_ERROR[1000])"},
  };
  for (const auto& [action, text] : cases) EXPECT_EQ(text, Raised(action));
}

TEST_F(SqliteLayerTest, ReadsRowsByIndexAndNameAndNullsAsTheDefault) {
  db_.ExecuteStatement(L"insert into dims values (7, 25.4, 'd0'), (NULL, NULL, NULL)");
  CppSQLite3Cursor rows = db_.ExecuteQuery(L"select * from dims order by rowid");
  EXPECT_EQ(7, rows.GetInt(L"featId", -1));
  EXPECT_EQ(25.4, rows.GetDouble(1, 0.0));
  EXPECT_EQ(L"d0", rows.GetText(L"dimSymbol", L"-"));
  rows.Next();
  EXPECT_EQ(-1, rows.GetInt(L"featId", -1));
  EXPECT_EQ(0.5, rows.GetDouble(L"dimValue", 0.5));
  EXPECT_EQ(L"-", rows.GetText(2, L"-"));
  rows.Next();
  EXPECT_TRUE(rows.AtEnd());
}

TEST_F(SqliteLayerTest, AHeldStatementKeepsTheDatabaseOpenUntilFinalizedOrReplaced) {
  CppSQLite3Cursor rows = db_.ExecuteQuery(L"select * from dims");
  EXPECT_TRUE(rows.AtEnd());  // no rows, and the statement is still held
  EXPECT_EQ(
      L"unable to close due to unfinalized statements or unfinished backups "
      L"(SQLITE_BUSY[5])",
      Raised([&] { db_.Close(); }));
  rows = db_.ExecuteQuery(L"select count(*) from dims");  // finalizes the first
  rows.Finalize();
  EXPECT_EQ(L"(nothing raised)", Raised([&] { db_.Close(); }));
  // A connection destroyed under a live statement hands its database to SQLite,
  // which closes it with that statement (the address sanitizer sees no leak).
  CppSQLite3Cursor outlives;
  {
    CppSQLite3Connection other;
    other.Open(path_);
    outlives = other.ExecuteQuery(L"select 42");
  }
  EXPECT_EQ(42, outlives.GetInt(0, 0));
}

// A lock another connection holds is met by the export failure tests.
TEST_F(SqliteLayerTest, MeetsAnotherConnectionsSchemaChange) {
  CppSQLite3Connection other;
  other.Open(path_);
  other.ExecuteStatement(L"alter table dims add column note text");
  // Compiled against the schema this connection read before, then again.
  EXPECT_EQ(L"(nothing raised)", Raised([&] { db_.ExecuteQuery(L"select * from dims"); }));
  EXPECT_EQ(0, db_.ExecuteQuery(L"select count(*) from dims").GetInt(0, -1));
}

// A writer that died in the middle of a write leaves a hot journal, which only a
// writer can roll back: a read-only connection says so in words a host can act on.
TEST_F(SqliteLayerTest, AReaderOfAFileWithAnUnfinishedWriteIsToldWhatToDo) {
  db_.ExecuteStatement(L"pragma cache_size=1");
  db_.ExecuteStatement(L"insert into dims values (1, 1.0, 'd1')");
  db_.ExecuteStatement(L"begin");
  // More pages than the cache holds: the journal is synced and pages are written.
  for (int i = 0; i < 500; ++i)
    db_.ExecuteStatement(L"insert into dims values (1, 1.0, '" + std::wstring(200, L'x') + L"')");
  const std::string copy = dir_.file("copy.db");  // as the dead writer left it
  for (const char* suffix : {"", "-journal"}) {
    std::ifstream in(base::WideToUtf8(path_) + suffix, std::ios::binary);
    std::ofstream(copy + suffix, std::ios::binary) << in.rdbuf();
  }
  CppSQLite3Connection reader;
  reader.OpenReadOnly(base::Utf8ToWide(copy));
  EXPECT_EQ(
      L"the database file has an unfinished write (a hot journal); open it once with a "
      L"program that writes to it, such as sqlite3, to finish it (SQLITE_READONLY[8])",
      Raised([&] { reader.ExecuteQuery(L"select count(*) from dims"); }));
  db_.ExecuteStatement(L"rollback");
}

}  // namespace
