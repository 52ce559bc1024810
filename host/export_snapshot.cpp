#include "host/export_snapshot.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "host/exchange_db.h"
#include "host/exchange_rows.h"
#include "host/failure.h"

namespace tavhost {

std::string SnapshotPath(const std::string& db_path) { return db_path + ".snapshot"; }

std::map<std::string, long long> LastRowids(const std::string& db_path,
                                            const std::vector<std::string>& kinds) {
  std::map<std::string, long long> last;
  Database db(db_path, Database::Mode::kReadOnly);
  for (const ExchangeKind& kind : ExchangeKinds()) {
    for (const std::string& name : kinds) {
      if (name != kind.name) continue;
      last[kind.name] =
          db.HasTable(kind.table)
              ? AsInt(db.Query("select ifnull(max(rowid), 0) from " + kind.table).row(0)[0])
              : 0;
    }
  }
  return last;
}

bool HoldsRowsOf(const std::string& db_path, const std::vector<std::string>& kinds,
                 const std::string& model) {
  Database db(db_path, Database::Mode::kReadOnly);
  const bool snapshot = std::filesystem::is_regular_file(SnapshotPath(db_path));
  if (snapshot) db.Execute("attach database " + Quoted(SnapshotPath(db_path)) + " as snapshot");
  for (const ExchangeKind& kind : ExchangeKinds()) {
    if (std::find(kinds.begin(), kinds.end(), kind.name) == kinds.end() || !db.HasTable(kind.table))
      continue;
    if (kind.name == "parameter" &&
        !db.Query("select 1 from RURO_2_parameter where ownerId = 0 and upper(ownerName) = ?",
                  {model})
             .empty())
      return true;
    if (snapshot &&
        !db.Query("select 1 from sqlite_master where type = 'table' and name = ?", {kind.table})
             .empty() &&
        !db.Query("select 1 from snapshot.sqlite_master where type = 'table' and name = ?",
                  {kind.table})
             .empty() &&
        !db.Query("select 1 from snapshot." + kind.table + " s join main." + kind.table +
                      " t on t.rowid = s.sourceRowid where s.model = ? limit 1",
                  {model})
             .empty())
      return true;
  }
  return false;
}

unsigned long ChangeCounter(const std::string& db_path) {
  std::ifstream file(db_path, std::ios::binary);
  unsigned char header[28] = {};
  if (!file.read(reinterpret_cast<char*>(header), sizeof header)) return 0;
  return static_cast<unsigned long>(header[24]) << 24 |
         static_cast<unsigned long>(header[25]) << 16 |
         static_cast<unsigned long>(header[26]) << 8 | header[27];
}

void KeepSnapshot(const std::string& db_path, const std::map<std::string, long long>& before,
                  const std::string& model) {
  Database snapshot(SnapshotPath(db_path), Database::Mode::kCreate);
  std::string sql = "attach database " + Quoted(db_path) + " as source; begin;";
  for (const ExchangeKind& kind : ExchangeKinds()) {
    const auto mark = before.find(kind.name);
    if (mark == before.end()) continue;
    const std::string above = std::to_string(mark->second);
    sql += "create table if not exists " + kind.table +
           " (sourceRowid integer primary key, model text, RURO_flag integer, " + kind.columns +
           ");"
           "delete from " +
           kind.table + " where sourceRowid > " + above +
           ";"
           "insert into " +
           kind.table + " select rowid, " + Quoted(model) + ", RURO_flag, " + kind.columns +
           " from source." + kind.table + " where rowid > " + above + ";";
  }
  sql += "commit; detach database source;";
  try {
    snapshot.Execute(sql);
  } catch (const Failure&) {
    try {
      snapshot.Execute("rollback");
    } catch (const Failure&) {
      // no transaction was open: nothing to undo
    }
    throw;
  }
}

}  // namespace tavhost
