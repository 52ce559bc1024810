#include "src/sqlite_cursor.h"

#include <sqlite3.h>

#include "base/utf.h"
#include "src/sqlite_exception.h"

CppSQLite3Cursor::CppSQLite3Cursor(sqlite3* db, sqlite3_stmt* statement, bool at_end)
    : db_(db),
      statement_(statement),
      at_end_(at_end),
      column_count_(sqlite3_column_count(statement)) {}

CppSQLite3Cursor::CppSQLite3Cursor(CppSQLite3Cursor&& other) noexcept
    : db_(other.db_),
      statement_(other.statement_),
      at_end_(other.at_end_),
      column_count_(other.column_count_) {
  other.statement_ = nullptr;
}

CppSQLite3Cursor& CppSQLite3Cursor::operator=(CppSQLite3Cursor&& other) noexcept {
  if (this == &other) return *this;
  try {
    Finalize();
  } catch (const CppSQLite3Exception&) {
    // The old statement is gone either way; its last error does not concern the new one.
  }
  db_ = other.db_;
  statement_ = other.statement_;
  at_end_ = other.at_end_;
  column_count_ = other.column_count_;
  other.statement_ = nullptr;
  return *this;
}

CppSQLite3Cursor::~CppSQLite3Cursor() {
  try {
    Finalize();
  } catch (const CppSQLite3Exception&) {
  }
}

void CppSQLite3Cursor::RequireStatement() const {
  if (!statement_) throw CppSQLite3Exception(kCppSqliteError, L"Null Virtual Machine pointer");
}

bool CppSQLite3Cursor::AtEnd() const {
  RequireStatement();
  return at_end_;
}

void CppSQLite3Cursor::Next() {
  RequireStatement();
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_DONE) {
    at_end_ = true;
  } else if (rc != SQLITE_ROW) {
    const CppSQLite3Exception error = SqliteError(rc, db_);
    sqlite3_finalize(statement_);
    statement_ = nullptr;
    throw error;
  }
}

void CppSQLite3Cursor::Finalize() {
  if (!statement_) return;
  const int rc = sqlite3_finalize(statement_);
  statement_ = nullptr;
  if (rc != SQLITE_OK) RaiseSqliteError(rc, db_);
}

int CppSQLite3Cursor::ColumnIndex(const std::wstring& name) const {
  RequireStatement();
  for (int i = 0; i < column_count_; ++i) {
    const void* column = sqlite3_column_name16(statement_, i);
    if (column && base::Utf16ToWide(static_cast<const char16_t*>(column)) == name) return i;
  }
  throw CppSQLite3Exception(kCppSqliteError, L"Invalid field name requested");
}

int CppSQLite3Cursor::ColumnType(int index) const {
  RequireStatement();
  if (index < 0 || index > column_count_ - 1)
    throw CppSQLite3Exception(kCppSqliteError, L"Invalid field index requested");
  return sqlite3_column_type(statement_, index);
}

int CppSQLite3Cursor::GetInt(int index, int fallback) const {
  if (ColumnType(index) == SQLITE_NULL) return fallback;
  return sqlite3_column_int(statement_, index);
}

int CppSQLite3Cursor::GetInt(const std::wstring& name, int fallback) const {
  return GetInt(ColumnIndex(name), fallback);
}

double CppSQLite3Cursor::GetDouble(int index, double fallback) const {
  if (ColumnType(index) == SQLITE_NULL) return fallback;
  return sqlite3_column_double(statement_, index);
}

double CppSQLite3Cursor::GetDouble(const std::wstring& name, double fallback) const {
  return GetDouble(ColumnIndex(name), fallback);
}

std::wstring CppSQLite3Cursor::GetText(int index, const std::wstring& fallback) const {
  if (ColumnType(index) == SQLITE_NULL) return fallback;
  const void* text = sqlite3_column_text16(statement_, index);
  return text ? base::Utf16ToWide(static_cast<const char16_t*>(text)) : std::wstring();
}

std::wstring CppSQLite3Cursor::GetText(const std::wstring& name,
                                       const std::wstring& fallback) const {
  return GetText(ColumnIndex(name), fallback);
}
