// The commands a host's own user interface stands for: showing the exchange
// database's rows, editing them with SQL, and checking what a query returns.
#include <cstdint>
#include <fstream>
#include <sstream>

#include "host/commands.h"
#include "host/exchange_db.h"
#include "host/exchange_rows.h"
#include "host/failure.h"
#include "host/wide_text.h"

namespace tavhost {
namespace {

std::string QuotedName(const std::string& name) {
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// A kind ("feature") or any table name of the file.
std::string TableName(const std::string& name) {
  for (const ExchangeKind& kind : ExchangeKinds())
    if (kind.name == name) return kind.table;
  return name;
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::istringstream in(text);
  for (std::string item; std::getline(in, item, ',');)
    if (!item.empty()) items.push_back(item);
  return items;
}

void Show(Context&, const CommandLine&, const Arguments& args, CommandOutput& out) {
  const char* usage = "usage: show DB [TABLE] [--flagged] [--where CONDITION] [--columns A,B,...]";
  bool flagged = false;
  std::string where;
  std::vector<std::string> positional, columns;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--flagged") {
      flagged = true;
    } else if (args[i] == "--columns" && i + 1 < args.size()) {
      columns = SplitList(args[++i]);
    } else if (args[i] == "--where" && i + 1 < args.size()) {
      where = args[++i];
    } else if (args[i].rfind("--", 0) == 0) {
      throw UsageError(usage);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.empty() || positional.size() > 2) throw UsageError(usage);
  Database db(positional[0], Database::Mode::kReadOnly);
  std::vector<std::string> tables;
  if (positional.size() == 2) {
    tables.push_back(TableName(positional[1]));
    if (!db.HasTable(tables[0])) throw Failure(-1, db.path() + " has no table " + tables[0]);
  } else {
    for (const ExchangeKind& kind : ExchangeKinds())
      if (db.HasTable(kind.table)) tables.push_back(kind.table);
    if (tables.empty())
      throw Failure(-1, db.path() + " has none of the exchange tables (create them: sql " +
                            db.path() + " --file exchange_schema.sql)");
  }
  for (const std::string& column : columns) {
    for (const std::string& table : tables) {
      bool known = false;
      for (const std::string& name : db.Columns(table))
        known = known || UpperCase(name) == UpperCase(column);
      if (!known) {
        std::string list;
        for (const std::string& name : db.Columns(table)) list += (list.empty() ? "" : ",") + name;
        throw Failure(-1, "no column " + column + " in " + table + " (it has " + list + ")");
      }
    }
  }
  nlohmann::json all = nlohmann::json::object();
  for (const std::string& table : tables) {
    std::string select = "rowid as row";
    for (const std::string& column : columns.empty() ? db.Columns(table) : columns)
      select += ", " + QuotedName(column);
    std::string condition = flagged ? "RURO_flag != 0" : "1";
    if (!where.empty()) condition += " and (" + where + ")";
    const TextTable rows = db.Query("select " + select + " from " + QuotedName(table) + " where " +
                                    condition + " order by rowid");
    const std::size_t n = rows.size();
    const std::string which = flagged ? " flagged" : where.empty() ? "" : " selected";
    out.Print(rows, table + " (" + std::to_string(n) + which + (n == 1 ? " row)" : " rows)"));
    all[table] = rows.ToJson();
  }
  out.Set("tables", all);
}

void ReportResults(int changes, const std::vector<TextTable>& results, CommandOutput& out) {
  nlohmann::json list = nlohmann::json::array();
  for (const TextTable& table : results) {
    out.Print(table);
    list.push_back(table.ToJson());
  }
  if (results.empty())
    out.Line(changes == 0
                 ? "done"
                 : std::to_string(changes) + (changes == 1 ? " row" : " rows") + " changed");
  out.Set("results", list);
  out.Set("changes", changes);
}

void Sql(Context&, const CommandLine&, const Arguments& args, CommandOutput& out) {
  std::string sql = args.size() == 2 ? args[1] : "";
  if (args.size() == 3) {
    if (args[1] != "--file") throw UsageError("usage: sql DB STATEMENT | sql DB --file FILE");
    std::ifstream file(args[2], std::ios::binary);
    if (!file) throw Failure(-1, "cannot read " + args[2]);
    std::ostringstream text;
    text << file.rdbuf();
    sql = text.str();
  } else if (sql == "--file") {
    throw UsageError("usage: sql DB --file FILE");
  }
  Database db(args[0], Database::Mode::kCreate);
  std::vector<TextTable> results;
  const int changes = db.Execute(sql, &results);
  ReportResults(changes, results, out);
}

void Check(Context&, const CommandLine&, const Arguments& args, CommandOutput& out) {
  Database db(args[0], Database::Mode::kReadOnly);
  const TextTable rows = db.Query(args[1]);
  const Arguments expected(args.begin() + 2, args.end());
  Arguments actual;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    std::string joined;
    for (std::size_t c = 0; c < rows.row(r).size(); ++c)
      joined += (c ? "|" : "") + AsText(rows.row(r)[c]);
    actual.push_back(joined);
  }
  out.Table("rows", rows);
  out.Set("expected", expected);
  if (actual != expected) {
    std::string want, got;
    for (const std::string& row : expected) want += (want.empty() ? "" : ", ") + row;
    for (const std::string& row : actual) got += (got.empty() ? "" : ", ") + row;
    throw Failure(-1, "expected " + (want.empty() ? "no rows" : want) + ", found " +
                          (got.empty() ? "no rows" : got));
  }
  out.Line("as expected");
}

}  // namespace

void AddDatabaseCommands(std::vector<Command>* commands) {
  commands->insert(
      commands->end(),
      {
          {"show", 1, 7, "show DB [TABLE] [--flagged] [--where CONDITION] [--columns A,B,...]",
           "rows of the exchange tables (or TABLE: feature, dimension, ...) as a table", Show},
          {"sql", 2, 3, "sql DB STATEMENT | sql DB --file FILE",
           "run SQL on DB (created when missing), as a host's user interface would", Sql},
          {"check", 2, SIZE_MAX, "check DB QUERY [ROW...]",
           "fail unless QUERY returns exactly these rows (columns joined by |)", Check},
      });
}

}  // namespace tavhost
