// The commands around the exchange database that need the session: export
// (RefreshTable, and the snapshot beside the file), import (UpdateTable), and
// diff, the import's dry run.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>

#include "host/commands.h"
#include "host/dry_run.h"
#include "host/exchange_db.h"
#include "host/exchange_rows.h"
#include "host/export_snapshot.h"
#include "host/failure.h"
#include "host/progress.h"
#include "host/system.h"
#include "host/wide_text.h"

namespace tavhost {
namespace {

namespace fs = std::filesystem;

std::string ModulePath(const std::string& path) { return fs::absolute(path).string(); }

void RequireFile(const std::string& db) {
  if (db.empty()) throw UsageError("the database file name is empty");
  if (!fs::is_regular_file(db))
    throw Failure(-1, "no database file " + db + " (create one first: sql " + db +
                          " --file exchange_schema.sql)");
}

std::string RequireModel(Context& c) {
  const std::string model = c.CurrentModel();
  if (model.empty()) throw Failure(-1, "no current model in the session");
  return model;
}

void Export(Context& c, const CommandLine&, const Arguments& args, CommandOutput& out) {
  const bool append = args.size() == 3;
  if (append && args[2] != "--append") throw UsageError("usage: export KINDS DB [--append]");
  const std::vector<std::string> kinds = ParseKinds(args[0]);
  const std::string& db = args[1];
  c.RequireConnection();
  RequireFile(db);
  const std::string model = ModelName(RequireModel(c));
  // A second export of a model adds its relation lines again: a later import
  // would give each owner every line twice.
  if (!append && HoldsRowsOf(db, kinds, model))
    throw Failure(-1, db + " already holds rows of " + model +
                          ": an import would then write its relations twice; empty the "
                          "tables or use another file (or give --append to add them all the same)");
  const std::map<std::string, long long> before = LastRowids(db, kinds);
  const unsigned long counter = ChangeCounter(db);
  {
    const Progress progress(c.show_progress, "export " + db);
    c.Check(c.api().RefreshTable(Widen(JoinKinds(kinds)).c_str(), Widen(ModulePath(db)).c_str()));
  }
  // The module commits once: a counter that moved further means that another
  // writer committed during the call, and the rows above `before` are not all ours.
  const bool ours_only = ChangeCounter(db) - counter == 1;

  Database file(db, Database::Mode::kReadOnly);
  std::string counts;
  nlohmann::json rows = nlohmann::json::object();
  for (const ExchangeKind& kind : ExchangeKinds()) {
    const auto mark = before.find(kind.name);
    if (mark == before.end()) continue;
    const long long n = AsInt(file.Query("select count(*) from " + kind.table + " where rowid > " +
                                         std::to_string(mark->second))
                                  .row(0)[0]);
    const std::string noun = kind.name == "relation" ? "relation line" : kind.name;
    counts += (counts.empty() ? "" : ", ") + std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
    rows[kind.name] = n;
  }
  out.Line("exported " + model + " into " + db + ": " + counts +
           (ours_only ? "" : " (may include another writer's rows)"));
  out.Set("model", model);
  out.Set("database", db);
  out.Set("kinds", kinds);
  out.Set("rows", rows);
  out.Set("other_writer", !ours_only);
  if (!ours_only) {
    std::cerr << "tavhost: warning: another connection wrote to " << db
              << " during the export: the counts may include its rows; no export snapshot kept\n";
    out.Set("snapshot", nullptr);
    return;
  }
  // The export succeeded whatever happens to the snapshot; without it `diff`
  // says that it cannot check for conflicts.
  try {
    KeepSnapshot(db, before, model);
    out.Set("snapshot", SnapshotPath(db));
  } catch (const Failure& failure) {
    std::cerr << "tavhost: warning: no export snapshot kept: " << failure.what() << '\n';
    out.Set("snapshot", nullptr);
  }
}

void Import(Context& c, const CommandLine&, const Arguments& args, CommandOutput& out) {
  const std::vector<std::string> kinds = ParseKinds(args[0]);
  const std::string& db = args[1];
  c.RequireConnection();
  // The module's own status tells a missing file or model: no checks here.
  const std::string model = ModelName(c.CurrentModel());
  out.Set("model", model);
  out.Set("database", db);
  out.Set("kinds", kinds);
  {
    const Progress progress(c.show_progress, "import " + db);
    c.Check(c.api().UpdateTable(Widen(JoinKinds(kinds)).c_str(), Widen(ModulePath(db)).c_str()));
  }
  out.Line("imported the flagged rows of " + db + " into " + model + "; the model is regenerated");
}

// A directory of its own under the temporary directory, removed with its files.
class PrivateDir {
 public:
  PrivateDir() {
    std::string pattern = (fs::temp_directory_path() / "tavhost-diff-XXXXXX").string();
    if (!MakeTempDir(&pattern)) throw Failure(-1, "cannot create a temporary directory");
    path_ = pattern;
  }
  ~PrivateDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  PrivateDir(const PrivateDir&) = delete;
  PrivateDir& operator=(const PrivateDir&) = delete;
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

// The model as it is now: exported by the module into a private database whose
// tables are made from the host file's own schema.
ExchangeRows ExportCurrent(Context& c, Database& file, const PrivateDir& dir) {
  const std::string path = dir.file("current.db");
  {
    Database current(path, Database::Mode::kCreate);
    for (const ExchangeKind& kind : ExchangeKinds()) {
      const TextTable schema = file.Query(
          "select sql from sqlite_master where type = 'table' and name = ?", {kind.table});
      if (schema.empty()) throw Failure(-1, file.path() + " has no table " + kind.table);
      current.Execute(schema.row(0)[0].text);
    }
  }
  {
    const Progress progress(c.show_progress, "diff " + file.path());
    c.Check(c.api().RefreshTable(L"feature,dimension,parameter,relation", Widen(path).c_str()));
  }
  Database current(path, Database::Mode::kReadOnly);
  const std::vector<std::string> all = ParseKinds("all");
  return ReadRows(current, all, "1");
}

TextTable LinesTable(const std::vector<DryRunLine>& lines) {
  TextTable table({"kind", "rows", "item", "change"});
  for (const DryRunLine& line : lines) {
    const std::string rows = (line.rows.size() == 1 ? "row " : "rows ") + RowsText(line.rows);
    table.AddRow({TextCell(line.kind), TextCell(rows), TextCell(line.item), TextCell(line.text)});
    for (const std::string& detail : line.lines)
      table.AddRow({TextCell(""), TextCell(""), TextCell(""), TextCell("  " + detail)});
  }
  return table;
}

nlohmann::json LinesJson(const std::vector<DryRunLine>& lines) {
  nlohmann::json list = nlohmann::json::array();
  for (const DryRunLine& line : lines)
    list.push_back({{"kind", line.kind},
                    {"rows", line.rows},
                    {"item", line.item},
                    {"text", line.text},
                    {"lines", line.lines},
                    {"unchanged", line.unchanged},
                    {"code", line.code}});
  return list;
}

void Diff(Context& c, const CommandLine&, const Arguments& args, CommandOutput& out) {
  const std::string& db = args[0];
  DryRunInput input;
  input.kinds = ParseKinds(args.size() > 1 ? args[1] : "all");
  c.RequireConnection();
  RequireFile(db);
  input.model = ModelName(RequireModel(c));
  input.model_type = ModelItemType(input.model);
  Database file(db, Database::Mode::kReadOnly);
  input.edited = ReadRows(file, input.kinds, "1");
  const PrivateDir dir;
  input.current = ExportCurrent(c, file, dir);
  if (fs::is_regular_file(SnapshotPath(db))) {
    Database snapshot(SnapshotPath(db), Database::Mode::kReadOnly);
    input.exported = ReadRows(snapshot, input.kinds, "1", true);
    input.has_snapshot = true;
  }
  const DryRun plan = PlanImport(input);

  std::ostringstream text;
  if (plan.changes.empty()) text << "the import would change nothing in " << input.model << '\n';
  LinesTable(plan.changes).PrintRows(text);
  if (!plan.conflicts.empty()) {
    text << "conflicts:\n";
    LinesTable(plan.conflicts).PrintRows(text);
  }
  for (const std::string& note : plan.notes) text << "note: " << note << '\n';
  const std::size_t n = plan.Changing(), k = plan.conflicts.size(), failing = plan.Failing();
  if (failing)
    text << "the import would fail at " << failing << (failing == 1 ? " row" : " rows")
         << " and apply nothing: it is all or nothing (nothing is applied if any row fails)\n";
  else
    text << "the import is all or nothing: nothing is applied if any row fails\n";
  text << n << (n == 1 ? " change, " : " changes, ") << k << (k == 1 ? " conflict" : " conflicts")
       << "; nothing was written";
  out.Line(text.str());
  out.Set("model", input.model);
  out.Set("changes", LinesJson(plan.changes));
  out.Set("conflicts", LinesJson(plan.conflicts));
  out.Set("notes", plan.notes);
  out.Set("import_fails", failing > 0);
}

}  // namespace

void AddExchangeCommands(std::vector<Command>* commands) {
  commands->insert(
      commands->end(),
      {
          {"export", 2, 3, "export KINDS DB [--append]",
           "append the current model's rows of KINDS (all, or e.g. feature,parameter) to DB; "
           "refused when DB holds the model's rows already, unless --append",
           Export},
          {"import", 2, 2, "import KINDS DB", "write the flagged rows of KINDS back into the model",
           Import},
          {"diff", 1, 2, "diff DB [KINDS]",
           "what import would change, and conflicts with the model; writes nothing", Diff},
      });
}

}  // namespace tavhost
