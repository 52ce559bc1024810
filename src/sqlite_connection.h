#pragma once
// One open SQLite database file: the exchange database that the export writes
// and the import reads. ExecuteStatement and ExecuteQuery compile a complete SQL
// text of the caller's for one run; Prepare compiles one to be run again and
// again with values bound (src/sqlite_statement.h).
//
// Failures are raised as CppSQLite3Exception (src/sqlite_exception.h) with
// SQLite's own code and text, never returned. A locked file is waited for up to
// the busy time-out (60 seconds unless set otherwise), in pauses on the module's
// clock (port/clock.h); a lock still held then fails the statement with
// SQLITE_BUSY.
//
// Ownership: the connection owns its sqlite3 handle from Open (a failed Open
// included) until Close or destruction. Cursors returned by ExecuteQuery own
// their statements and must be finalized or dropped before Close succeeds. One
// thread at a time; the module uses it inside the module-wide lock.
#include <string>

#include "src/sqlite_cursor.h"
#include "src/sqlite_statement.h"

class CppSQLite3Connection {
 public:
  CppSQLite3Connection() = default;
  // Closes the database; never raises. A database that refuses to close (a
  // statement still held) is closed as soon as its last statement is finalized.
  virtual ~CppSQLite3Connection();
  CppSQLite3Connection(const CppSQLite3Connection&) = delete;
  CppSQLite3Connection& operator=(const CppSQLite3Connection&) = delete;

  // Opens (SQLite creates a missing file) and sets the busy time-out. A database
  // already open here is closed first.
  void Open(const std::wstring& path);
  // Opens an existing file for reading only: nothing done through this connection
  // can change the file, and a missing file raises instead of being created.
  void OpenReadOnly(const std::wstring& path);
  // Closes the database; raises and stays open when SQLite refuses.
  void Close();

  // Runs one statement that returns no rows; returns 0. Every failure raises,
  // a lock not had within the busy time-out included.
  int ExecuteStatement(const std::wstring& sql);
  // Runs a query and returns a cursor on its first row (AtEnd at once when it has
  // none). Compiled again after another connection changed the schema.
  CppSQLite3Cursor ExecuteQuery(const std::wstring& sql);

  // Compiles `sql` (its first statement) for runs with bound values.
  CppSQLite3Statement Prepare(const std::wstring& sql);

  // 0 or less: a locked file fails at once.
  void SetBusyTimeout(int milliseconds);

 private:
  // Raises (1000, "Database not open") without a database.
  void RequireOpen() const;
  sqlite3_stmt* Compile(const std::wstring& sql);
  // SQLite's busy handler: pauses on the module's clock until the time-out.
  static int WaitWhileBusy(void* connection, int tries);

  sqlite3* db_ = nullptr;
  int busy_timeout_ms_ = 60000;
  long long busy_since_ms_ = 0;
};
