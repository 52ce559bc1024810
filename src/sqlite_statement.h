#pragma once
// One compiled statement that is run again and again with new values bound to its
// parameters ("?"): the export's insert of every row of a table. Values never
// become part of the SQL text, so no value is cut, quoted or able to change the
// statement. Texts are bound as UTF-16, numbers as numbers.
//
// Ownership: the statement owns its sqlite3_stmt and finalizes it on destruction
// or when another is moved into it; destroy it before closing its connection.
// One thread at a time, like its connection.
#include <string>

struct sqlite3;
struct sqlite3_stmt;

class CppSQLite3Statement {
 public:
  CppSQLite3Statement() = default;
  // Used by CppSQLite3Connection::Prepare: `db` serves only for error texts.
  CppSQLite3Statement(sqlite3* db, sqlite3_stmt* statement) : db_(db), statement_(statement) {}
  CppSQLite3Statement(CppSQLite3Statement&& other) noexcept;
  CppSQLite3Statement& operator=(CppSQLite3Statement&& other) noexcept;
  CppSQLite3Statement(const CppSQLite3Statement&) = delete;
  CppSQLite3Statement& operator=(const CppSQLite3Statement&) = delete;
  virtual ~CppSQLite3Statement();

  // Parameters count from 1. A value that is not a finite number is bound as NULL.
  void BindNull(int index);
  void BindInt(int index, int value);
  void BindDouble(int index, double value);
  void BindText(int index, const std::wstring& text);

  // Runs the statement with the values bound, then makes it ready for the next
  // values. Raises (SQLite's code, SQLite's text) when the step fails, the
  // busy time-out of the connection included.
  void Execute();

 private:
  void Check(int rc);

  sqlite3* db_ = nullptr;
  sqlite3_stmt* statement_ = nullptr;
};
