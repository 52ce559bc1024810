#pragma once
// The SQLite part of an exchange operation's floor: what SQLite itself needs to
// write or read the rows the module wrote or read, done the cheapest way it
// offers (one prepared statement per table, values bound, one transaction), so
// the figures hold what the module adds on top.
//
// Everything here throws std::runtime_error on a SQLite failure. Single-threaded.
#include <memory>
#include <string>
#include <vector>

struct sqlite3_value;

namespace tavbench {

// Creates `path` anew (an old file goes) with the tables of samples/exchange_schema.sql.
void NewExchangeDatabase(const std::string& path);

// Runs `sql` (any number of statements) on the database file `path`.
void RunSql(const std::string& path, const std::string& sql);

// The rows of one exchange table, held in memory: the columns that hold a value
// in some row, and each row's values of them.
struct TableRows {
  struct FreeValue {
    void operator()(sqlite3_value* v) const;
  };
  using Value = std::unique_ptr<sqlite3_value, FreeValue>;

  std::string table;
  std::vector<std::string> columns;
  std::vector<std::vector<Value>> rows;
};

// Every row of the four exchange tables of `path`, in their stored order.
std::vector<TableRows> ReadExchangeRows(const std::string& path);
std::size_t RowCount(const std::vector<TableRows>& tables);

// Nanoseconds SQLite takes to open `path` (made with NewExchangeDatabase), insert
// `tables` in one transaction and close it.
long long TimeBareInsert(const std::vector<TableRows>& tables, const std::string& path);

// Nanoseconds SQLite takes to open `path` read-only, step through every row of
// each of `selects`, read each column (as a number or a UTF-16 text, by its
// type) and close it.
long long TimeBareRead(const std::string& path, const std::vector<std::string>& selects);

}  // namespace tavbench
