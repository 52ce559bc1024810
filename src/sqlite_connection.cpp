#include "src/sqlite_connection.h"

#include <sqlite3.h>

#include "base/utf.h"
#include "port/clock.h"
#include "src/sqlite_exception.h"

// Statements are compiled with sqlite3_prepare16_v2: its sqlite3_step reports the
// specific failure itself (with the text that goes with it), and compiles a
// statement again when another connection changed the schema.

namespace {
// How long one pause of the busy wait lasts.
constexpr unsigned kBusyPauseMs = 20;
}  // namespace

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
  if (db_) sqlite3_busy_handler(db_, milliseconds > 0 ? WaitWhileBusy : nullptr, this);
}

int CppSQLite3Connection::WaitWhileBusy(void* connection, int tries) {
  auto* self = static_cast<CppSQLite3Connection*>(connection);
  port::Clock& clock = port::GetClock();
  if (tries == 0) self->busy_since_ms_ = clock.Milliseconds();
  if (clock.Milliseconds() - self->busy_since_ms_ >= self->busy_timeout_ms_) return 0;
  clock.Sleep(kBusyPauseMs);
  return 1;
}

void CppSQLite3Connection::RequireOpen() const {
  if (!db_) throw CppSQLite3Exception(kCppSqliteError, L"Database not open");
}

sqlite3_stmt* CppSQLite3Connection::Compile(const std::wstring& sql) {
  RequireOpen();
  const std::u16string text = base::WideToUtf16(sql);
  sqlite3_stmt* statement = nullptr;
  const int rc = sqlite3_prepare16_v2(db_, text.c_str(), -1, &statement, nullptr);
  if (rc != SQLITE_OK) RaiseSqliteError(rc, db_);
  return statement;
}

CppSQLite3Statement CppSQLite3Connection::Prepare(const std::wstring& sql) {
  return CppSQLite3Statement(db_, Compile(sql));
}

int CppSQLite3Connection::ExecuteStatement(const std::wstring& sql) {
  CppSQLite3Statement statement = Prepare(sql);
  statement.Execute();
  return 0;
}

CppSQLite3Cursor CppSQLite3Connection::ExecuteQuery(const std::wstring& sql) {
  sqlite3_stmt* statement = Compile(sql);
  const int rc = sqlite3_step(statement);
  if (rc == SQLITE_DONE || rc == SQLITE_ROW)
    return CppSQLite3Cursor(db_, statement, rc == SQLITE_DONE);
  // The text belongs to this step: read it before finalizing clears it.
  const CppSQLite3Exception error = SqliteError(rc, db_);
  sqlite3_finalize(statement);
  throw error;
}
