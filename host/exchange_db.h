#pragma once
// tavhost's own access to an SQLite file: the host reads the exchange database
// it gave the module (show, diff), edits it as its user would (sql), and keeps
// its export snapshots. One object owns one connection; errors are thrown as
// Failure(-1, SQLite's text). Single-threaded, like the script that uses it.
#include <string>
#include <vector>

#include "host/text_table.h"

struct sqlite3;
struct sqlite3_stmt;

namespace tavhost {

class Database {
 public:
  enum class Mode {
    kReadOnly,   // the file must exist; nothing is written
    kReadWrite,  // the file must exist
    kCreate,     // created empty when missing
  };
  Database(const std::string& path, Mode mode);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Runs every statement of `sql` in order, each committed as it runs (as the
  // sqlite3 shell does), up to the first that fails. Tables of the statements
  // that return columns are appended to `results` (when not null); returns the
  // rows the statements changed.
  int Execute(const std::string& sql, std::vector<TextTable>* results = nullptr);
  // One statement, its ?-parameters bound to `texts` in order; returns its rows.
  TextTable Query(const std::string& sql, const std::vector<std::string>& texts = {});
  bool HasTable(const std::string& table);
  // The columns of `table` in their declared order.
  std::vector<std::string> Columns(const std::string& table);

  const std::string& path() const { return path_; }

 private:
  [[noreturn]] void Fail(const std::string& what) const;
  TextTable Rows(sqlite3_stmt* statement);

  std::string path_;
  sqlite3* db_ = nullptr;
};

// A cell as the module reads it: NULL as 0, 0.0 or "".
long long AsInt(const Cell& cell);
double AsDouble(const Cell& cell);
std::string AsText(const Cell& cell);
// The shortest text that reads back as the same double ("25", "0.1").
std::string NumberText(double value);
// 'text' with single quotes doubled, for identifiers and literals in SQL.
std::string Quoted(const std::string& text);

}  // namespace tavhost
