#include "src/sqlite_statement.h"

#include <cmath>
#include <utility>

#include <sqlite3.h>

#include "base/utf.h"
#include "src/sqlite_exception.h"

CppSQLite3Statement::CppSQLite3Statement(CppSQLite3Statement&& other) noexcept
    : db_(other.db_), statement_(std::exchange(other.statement_, nullptr)) {}

CppSQLite3Statement& CppSQLite3Statement::operator=(CppSQLite3Statement&& other) noexcept {
  if (this == &other) return *this;
  sqlite3_finalize(statement_);
  db_ = other.db_;
  statement_ = std::exchange(other.statement_, nullptr);
  return *this;
}

// The statement's last error was already raised by Execute.
CppSQLite3Statement::~CppSQLite3Statement() { sqlite3_finalize(statement_); }

void CppSQLite3Statement::Check(int rc) {
  if (!statement_) throw CppSQLite3Exception(kCppSqliteError, L"Null Virtual Machine pointer");
  if (rc != SQLITE_OK) RaiseSqliteError(rc, db_);
}

void CppSQLite3Statement::BindNull(int index) { Check(sqlite3_bind_null(statement_, index)); }

void CppSQLite3Statement::BindInt(int index, int value) {
  Check(sqlite3_bind_int(statement_, index, value));
}

void CppSQLite3Statement::BindDouble(int index, double value) {
  Check(std::isfinite(value) ? sqlite3_bind_double(statement_, index, value)
                             : sqlite3_bind_null(statement_, index));
}

void CppSQLite3Statement::BindText(int index, const std::wstring& text) {
  const std::u16string utf16 = base::WideToUtf16(text);
  Check(sqlite3_bind_text16(statement_, index, utf16.data(),
                            static_cast<int>(utf16.size() * sizeof(char16_t)), SQLITE_TRANSIENT));
}

void CppSQLite3Statement::Execute() {
  Check(SQLITE_OK);
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_DONE || rc == SQLITE_ROW) {
    sqlite3_reset(statement_);
    return;
  }
  // The text belongs to this step: read it before the reset clears it.
  const CppSQLite3Exception error = SqliteError(rc, db_);
  sqlite3_reset(statement_);
  throw error;
}
