#include "host/exchange_db.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <sqlite3.h>

#include "host/failure.h"

namespace tavhost {
namespace {

struct StatementDeleter {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

Cell ColumnCell(sqlite3_stmt* statement, int column) {
  const auto text = [&] {
    const unsigned char* bytes = sqlite3_column_text(statement, column);
    return bytes ? std::string(reinterpret_cast<const char*>(bytes),
                               static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                 : std::string();
  };
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
      return IntCell(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT: {
      const double value = sqlite3_column_double(statement, column);
      return {text(), value, true};
    }
    case SQLITE_NULL:
      return NullCell();
    case SQLITE_BLOB:
      return TextCell("<" + std::to_string(sqlite3_column_bytes(statement, column)) + " bytes>");
    default:
      return TextCell(text());
  }
}

}  // namespace

Database::Database(const std::string& path, Mode mode) : path_(path) {
  if (mode != Mode::kCreate && !std::filesystem::is_regular_file(path))
    throw Failure(-1, "no database file " + path);
  const int flags = mode == Mode::kReadOnly    ? SQLITE_OPEN_READONLY
                    : mode == Mode::kReadWrite ? SQLITE_OPEN_READWRITE
                                               : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    const std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    throw Failure(-1, path + ": " + reason);
  }
  sqlite3_busy_timeout(db_, 5000);
  // A misspelt column in double quotes is an error, not a string constant that
  // would print the misspelling in every row.
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
}

Database::~Database() { sqlite3_close(db_); }

void Database::Fail(const std::string& what) const {
  throw Failure(-1, path_ + ": " + what + sqlite3_errmsg(db_));
}

TextTable Database::Rows(sqlite3_stmt* statement) {
  std::vector<std::string> columns;
  for (int c = 0; c < sqlite3_column_count(statement); ++c)
    columns.push_back(sqlite3_column_name(statement, c));
  TextTable table(columns);
  for (;;) {
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) Fail("");
    std::vector<Cell> row;
    for (int c = 0; c < static_cast<int>(columns.size()); ++c)
      row.push_back(ColumnCell(statement, c));
    table.AddRow(std::move(row));
  }
  return table;
}

int Database::Execute(const std::string& sql, std::vector<TextTable>* results) {
  int changes = 0;
  const char* next = sql.c_str();
  while (*next) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_, next, -1, &raw, &next) != SQLITE_OK) Fail("");
    if (!raw) continue;  // only blanks or a comment
    Statement statement(raw);
    TextTable table = Rows(raw);
    if (sqlite3_stmt_readonly(raw) == 0) changes += sqlite3_changes(db_);
    if (results && sqlite3_column_count(raw) > 0) results->push_back(std::move(table));
  }
  return changes;
}

TextTable Database::Query(const std::string& sql, const std::vector<std::string>& texts) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) Fail("");
  Statement statement(raw);
  for (std::size_t i = 0; i < texts.size(); ++i)
    sqlite3_bind_text(raw, static_cast<int>(i + 1), texts[i].c_str(),
                      static_cast<int>(texts[i].size()), SQLITE_TRANSIENT);
  return Rows(raw);
}

bool Database::HasTable(const std::string& table) {
  return !Query("select 1 from sqlite_master where type = 'table' and name = ?", {table}).empty();
}

std::vector<std::string> Database::Columns(const std::string& table) {
  std::vector<std::string> names;
  const TextTable info = Query("select name from pragma_table_info(?)", {table});
  for (std::size_t r = 0; r < info.size(); ++r) names.push_back(info.row(r)[0].text);
  return names;
}

long long AsInt(const Cell& cell) {
  if (cell.value.is_number()) return cell.value.get<long long>();
  return cell.value.is_string() ? std::strtoll(cell.text.c_str(), nullptr, 10) : 0;
}

double AsDouble(const Cell& cell) {
  if (cell.value.is_number()) return cell.value.get<double>();
  return cell.value.is_string() ? std::strtod(cell.text.c_str(), nullptr) : 0.0;
}

std::string AsText(const Cell& cell) { return cell.value.is_null() ? "" : cell.text; }

std::string NumberText(double value) {
  char text[64];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end.ptr);
}

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

}  // namespace tavhost
