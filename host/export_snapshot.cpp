#include "host/export_snapshot.h"

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
