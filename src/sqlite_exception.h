#pragma once
// The one error type of the database layer (src/sqlite_connection.h,
// src/sqlite_cursor.h, src/sqlite_statement.h): an SQLite result code, or 1000
// for the layer's own errors, and a text composed once as "<message> (<code
// name>[<code>])", for example "no such table: RURO_2_feature (SQLITE_ERROR[1])".
// That text is what the host reads in the status message of a failed exchange,
// and what the log keeps.
//
// Deliberately not a std::exception: the exchange steps (src/exchange_step.h)
// catch it by its own type. A plain value; any thread may use it.
#include <string>

struct sqlite3;

// The code of the layer's own errors (no database open, no statement, a column
// that does not exist).
constexpr int kCppSqliteError = 1000;

// "SQLITE_OK" ... "SQLITE_WARNING", "SQLITE_ROW", "SQLITE_DONE", "CPPSQLITE_ERROR"
// for 1000; every other code (extended codes included) gives "UNKNOWN_ERROR".
const wchar_t* ErrorCodeName(int code);

class CppSQLite3Exception {
 public:
  // `message` may be null: the text then starts with the code's name.
  CppSQLite3Exception(int code, const wchar_t* message);
  virtual ~CppSQLite3Exception() = default;

  int Code() const { return code_; }
  const std::wstring& Message() const { return message_; }

 private:
  int code_;
  std::wstring message_;
};

// The connection's current error message (SQLite's own text when `db` is null).
// Read it before the failed statement is finalized: finalizing resets it.
std::wstring SqliteMessage(sqlite3* db);
// The error (code, SqliteMessage(db)); a read-only connection that met a hot journal
// (SQLITE_READONLY_ROLLBACK) is told so in words a host can act on.
CppSQLite3Exception SqliteError(int code, sqlite3* db);
// Raises SqliteError(code, db).
[[noreturn]] void RaiseSqliteError(int code, sqlite3* db);
