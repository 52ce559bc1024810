#pragma once
// One compiled statement of the database layer, positioned on a result row of
// its query: CppSQLite3Connection::ExecuteQuery returns it by value, and the
// caller reads the row with the getters and moves on with Next until AtEnd.
//
// Ownership: the cursor owns its statement and finalizes it in Finalize, on
// destruction, or when another cursor is moved into it; moving a cursor hands the
// statement over, so every statement has exactly one owner. Finalize (or drop)
// a cursor before closing its connection: SQLite refuses to close a connection
// that still has a statement. One thread at a time, like its connection.
//
// Every operation but Finalize, moving and destruction raises
// CppSQLite3Exception (1000, "Null Virtual Machine pointer") when the cursor
// holds no statement: default-constructed, finalized, moved from, or after a
// failed Next.
#include <string>

struct sqlite3;
struct sqlite3_stmt;

class CppSQLite3Cursor {
 public:
  // No statement: at its end, no columns.
  CppSQLite3Cursor() = default;
  // Used by CppSQLite3Connection::ExecuteQuery: `db` serves only for error texts.
  CppSQLite3Cursor(sqlite3* db, sqlite3_stmt* statement, bool at_end);
  CppSQLite3Cursor(CppSQLite3Cursor&& other) noexcept;
  // Finalizes this cursor's own statement (ignoring a failure), then takes over
  // the other's.
  CppSQLite3Cursor& operator=(CppSQLite3Cursor&& other) noexcept;
  CppSQLite3Cursor(const CppSQLite3Cursor&) = delete;
  CppSQLite3Cursor& operator=(const CppSQLite3Cursor&) = delete;
  virtual ~CppSQLite3Cursor();

  // True once the cursor has passed its last row (at once for a query without rows).
  bool AtEnd() const;
  // Steps to the next row. A failing step finalizes the statement and raises
  // (SQLite's code and text of that step).
  void Next();
  // Finalizes the statement; raises when SQLite reports an error for it.
  void Finalize();

  // The first column whose name equals `name` exactly (case-sensitive); raises
  // (1000, "Invalid field name requested") when none does.
  int ColumnIndex(const std::wstring& name) const;
  // SQLite's storage class: 1 integer, 2 float, 3 text, 4 blob, 5 null. An index
  // outside 0 .. column count - 1 raises (1000, "Invalid field index requested").
  int ColumnType(int index) const;

  // The value of the current row, or `fallback` when it is NULL. Values of another
  // storage class are converted by SQLite's rules (a text read as an integer
  // gives SQLite's integer conversion).
  int GetInt(int index, int fallback) const;
  int GetInt(const std::wstring& name, int fallback) const;
  double GetDouble(int index, double fallback) const;
  double GetDouble(const std::wstring& name, double fallback) const;
  std::wstring GetText(int index, const std::wstring& fallback) const;
  std::wstring GetText(const std::wstring& name, const std::wstring& fallback) const;

 private:
  void RequireStatement() const;

  sqlite3* db_ = nullptr;
  sqlite3_stmt* statement_ = nullptr;
  bool at_end_ = true;
  int column_count_ = 0;
};
