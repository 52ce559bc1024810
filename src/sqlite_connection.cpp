#include "src/sqlite_connection.h"

#include <sqlite3.h>

#include "base/utf.h"
#include "src/sqlite_exception.h"

// Statements are compiled with sqlite3_prepare16, the legacy interface: its
// sqlite3_step reports a failure only as SQLITE_ERROR (or SQLITE_BUSY), and the
// specific code, SQLITE_SCHEMA after another connection changed the schema,
// comes from sqlite3_finalize. The retries below rest on that.

CppSQLite3Connection::~CppSQLite3Connection() {
  try {
    Close();
  } catch (const CppSQLite3Exception&) {
    // A statement still held keeps the database open; hand the handle to SQLite,
    // which closes it when that statement goes, so it is not lost.
    sqlite3_close_v2(db_);
  }
}

void CppSQLite3Connection::Open(const std::wstring& path) {
  Close();
  const std::u16string name = base::WideToUtf16(path);
  const int rc = sqlite3_open16(name.c_str(), &db_);
  if (rc != SQLITE_OK) RaiseSqliteError(rc, db_);
  SetBusyTimeout(busy_timeout_ms_);
}

void CppSQLite3Connection::OpenReadOnly(const std::wstring& path) {
  Close();
  // sqlite3_open16 cannot say "read only"; the flags need the UTF-8 interface.
  const int rc =
      sqlite3_open_v2(base::WideToUtf8(path).c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
  if (rc != SQLITE_OK) RaiseSqliteError(rc, db_);
  SetBusyTimeout(busy_timeout_ms_);
}

void CppSQLite3Connection::Close() {
  if (!db_) return;
  const int rc = sqlite3_close(db_);
  if (rc != SQLITE_OK) RaiseSqliteError(rc, db_);
  db_ = nullptr;
}

void CppSQLite3Connection::SetBusyTimeout(int milliseconds) {
  busy_timeout_ms_ = milliseconds;
  if (db_) sqlite3_busy_timeout(db_, milliseconds);
}

void CppSQLite3Connection::RequireOpen() const {
  if (!db_) throw CppSQLite3Exception(kCppSqliteError, L"Database not open");
}

sqlite3_stmt* CppSQLite3Connection::Prepare(const std::wstring& sql) {
  RequireOpen();
  const std::u16string text = base::WideToUtf16(sql);
  sqlite3_stmt* statement = nullptr;
  const int rc = sqlite3_prepare16(db_, text.c_str(), -1, &statement, nullptr);
  if (rc != SQLITE_OK) RaiseSqliteError(rc, db_);
  return statement;
}

int CppSQLite3Connection::ExecuteStatement(const std::wstring& sql) {
  RequireOpen();
  for (;;) {
    sqlite3_stmt* statement = Prepare(sql);
    if (sqlite3_step(statement) == SQLITE_ERROR) {
      const std::wstring message = SqliteMessage(db_);
      sqlite3_finalize(statement);
      throw CppSQLite3Exception(SQLITE_ERROR, message.c_str());
    }
    if (sqlite3_finalize(statement) != SQLITE_SCHEMA) return 0;
  }
}

CppSQLite3Cursor CppSQLite3Connection::ExecuteQuery(const std::wstring& sql) {
  RequireOpen();
  for (;;) {
    sqlite3_stmt* statement = Prepare(sql);
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_DONE || rc == SQLITE_ROW)
      return CppSQLite3Cursor(db_, statement, rc == SQLITE_DONE);
    const int finalized = sqlite3_finalize(statement);
    if (finalized != SQLITE_SCHEMA) RaiseSqliteError(finalized, db_);
  }
}
