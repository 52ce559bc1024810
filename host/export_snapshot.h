#pragma once
// The export snapshot: what tavhost's `export` keeps beside an exchange database
// so that `diff` can tell a user's edit from a change made to the model after the
// export. The host's user edits the rows in place, so the database alone no
// longer says what the module wrote.
//
// The snapshot of DB is the SQLite file DB.snapshot. For each kind it holds a
// table of the same name with the columns the import reads (exchange_rows.h),
// plus sourceRowid (the row's rowid in DB) and model (NAME.TYPE of the model
// exported). Each export adds the rows it appended to DB; rows that a new export
// reuses the rowids of are replaced. The snapshot is only ever written by
// `export`; the database itself is only read here.
#include <map>
#include <string>
#include <vector>

namespace tavhost {

std::string SnapshotPath(const std::string& db_path);

// The highest rowid of each kind's table in DB before an export (0 for an empty
// or missing table): the export appends above it.
std::map<std::string, long long> LastRowids(const std::string& db_path,
                                            const std::vector<std::string>& kinds);

// True when the tables of `kinds` in DB already hold rows exported from `model`
// (NAME.TYPE): the model's own parameter rows, or rows that the snapshot says
// came from it.
bool HoldsRowsOf(const std::string& db_path, const std::vector<std::string>& kinds,
                 const std::string& model);

// SQLite's file change counter of DB (0 when it cannot be read): every commit in
// rollback-journal mode moves it by one, whoever the writer.
unsigned long ChangeCounter(const std::string& db_path);

// Copies the rows above `before` of each kind into the snapshot. Throws Failure.
void KeepSnapshot(const std::string& db_path, const std::map<std::string, long long>& before,
                  const std::string& model);

}  // namespace tavhost
