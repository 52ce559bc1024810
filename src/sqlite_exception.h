#pragma once
// The one error type of the database layer (src/sqlite_connection.h and
// src/sqlite_cursor.h): an SQLite result code, or 1000 for the layer's own
// errors, and a text composed once as "<code name>[<code>]: <message>", for
// example "SQLITE_ERROR[1]: no such table: RURO_2_feature".
//
// Deliberately not a std::exception: the guarded frames report every database
// error as "Unexpected error.", which they do only for exceptions of no standard
// type. A plain value; any thread may use it.
#include <string>

struct sqlite3;

// The code of the layer's own errors (no database open, no statement, a column
// that does not exist).
constexpr int kCppSqliteError = 1000;

// "SQLITE_OK" ... "SQLITE_RANGE", "SQLITE_ROW", "SQLITE_DONE", "CPPSQLITE_ERROR"
// for 1000; every other code (extended codes included) gives "UNKNOWN_ERROR".
const wchar_t* ErrorCodeName(int code);

class CppSQLite3Exception {
 public:
  // `message` may be null: the text then ends after ": ".
  CppSQLite3Exception(int code, const wchar_t* message);
  virtual ~CppSQLite3Exception() = default;

  int Code() const { return code_; }
  const std::wstring& Message() const { return message_; }

 private:
  int code_;
  std::wstring message_;
};

// The connection's current error message (SQLite's own text when `db` is null).
std::wstring SqliteMessage(sqlite3* db);
// Raises (code, SqliteMessage(db)).
[[noreturn]] void RaiseSqliteError(int code, sqlite3* db);
