#include "bench/bare_sqlite.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <sqlite3.h>

namespace tavbench {
namespace {

const char* const kTables[] = {"RURO_2_feature", "RURO_2_dimension", "RURO_2_parameter",
                               "RURO_2_relation"};

struct CloseDb {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Db = std::unique_ptr<sqlite3, CloseDb>;

struct FinalizeStatement {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

void Check(int rc, sqlite3* db, const std::string& what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    throw std::runtime_error(what + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
}

Db Open(const std::string& path, int flags) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  Db owned(db);
  Check(rc, db, "open " + path);
  return owned;
}

Statement Prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* s = nullptr;
  Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr), db, sql);
  return Statement(s);
}

void Execute(sqlite3* db, const std::string& sql) {
  Check(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), db, sql);
}

long long NanosecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                              start)
      .count();
}

}  // namespace

void TableRows::FreeValue::operator()(sqlite3_value* v) const { sqlite3_value_free(v); }

void NewExchangeDatabase(const std::string& path) {
  std::remove(path.c_str());
  std::ifstream in(std::string(TAV_SOURCE_DIR) + "/samples/exchange_schema.sql");
  std::stringstream schema;
  schema << in.rdbuf();
  Db db = Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  Execute(db.get(), schema.str());
}

void RunSql(const std::string& path, const std::string& sql) {
  Db db = Open(path, SQLITE_OPEN_READWRITE);
  Execute(db.get(), sql);
}

std::vector<TableRows> ReadExchangeRows(const std::string& path) {
  Db db = Open(path, SQLITE_OPEN_READONLY);
  std::vector<TableRows> tables;
  for (const char* table : kTables) {
    Statement select = Prepare(db.get(), std::string("select * from ") + table + " order by rowid");
    const int n = sqlite3_column_count(select.get());
    std::vector<std::vector<TableRows::Value>> all;
    std::vector<bool> used(static_cast<std::size_t>(n), false);
    int rc;
    while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
      all.emplace_back();
      for (int i = 0; i < n; ++i) {
        all.back().emplace_back(sqlite3_value_dup(sqlite3_column_value(select.get(), i)));
        if (sqlite3_column_type(select.get(), i) != SQLITE_NULL) used[i] = true;
      }
    }
    Check(rc, db.get(), table);
    // Only the columns the module wrote: a column that is NULL throughout it left out.
    TableRows out;
    out.table = table;
    for (int i = 0; i < n; ++i)
      if (used[i]) out.columns.push_back(sqlite3_column_name(select.get(), i));
    for (auto& row : all) {
      out.rows.emplace_back();
      for (int i = 0; i < n; ++i)
        if (used[i]) out.rows.back().push_back(std::move(row[i]));
    }
    tables.push_back(std::move(out));
  }
  return tables;
}

std::size_t RowCount(const std::vector<TableRows>& tables) {
  std::size_t n = 0;
  for (const TableRows& t : tables) n += t.rows.size();
  return n;
}

long long TimeBareInsert(const std::vector<TableRows>& tables, const std::string& path) {
  const auto start = std::chrono::steady_clock::now();
  Db db = Open(path, SQLITE_OPEN_READWRITE);
  Execute(db.get(), "begin transaction");
  for (const TableRows& t : tables) {
    if (t.rows.empty()) continue;
    std::string names, marks;
    for (const std::string& c : t.columns) {
      names += (names.empty() ? "" : ",") + c;
      marks += marks.empty() ? "?" : ",?";
    }
    Statement insert =
        Prepare(db.get(), "insert into " + t.table + " (" + names + ") values (" + marks + ")");
    for (const auto& row : t.rows) {
      for (std::size_t i = 0; i < row.size(); ++i)
        sqlite3_bind_value(insert.get(), static_cast<int>(i) + 1, row[i].get());
      Check(sqlite3_step(insert.get()), db.get(), t.table);
      sqlite3_reset(insert.get());
    }
  }
  Execute(db.get(), "commit transaction");
  Check(sqlite3_close(db.release()), nullptr, "close " + path);
  return NanosecondsSince(start);
}

long long TimeBareRead(const std::string& path, const std::vector<std::string>& selects) {
  const auto start = std::chrono::steady_clock::now();
  Db db = Open(path, SQLITE_OPEN_READONLY);
  for (const std::string& sql : selects) {
    Statement select = Prepare(db.get(), sql);
    const int n = sqlite3_column_count(select.get());
    int rc;
    while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
      for (int i = 0; i < n; ++i) {
        switch (sqlite3_column_type(select.get(), i)) {
          case SQLITE_INTEGER:
            sqlite3_column_int(select.get(), i);
            break;
          case SQLITE_FLOAT:
            sqlite3_column_double(select.get(), i);
            break;
          case SQLITE_TEXT:
            sqlite3_column_text16(select.get(), i);
            break;
          default:
            break;
        }
      }
    }
    Check(rc, db.get(), sql);
  }
  Check(sqlite3_close(db.release()), nullptr, "close " + path);
  return NanosecondsSince(start);
}

}  // namespace tavbench
