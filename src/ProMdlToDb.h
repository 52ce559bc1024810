#pragma once
// ProMdlToDb: the export of the session's current model into the exchange
// database, the tables RURO_2_feature, RURO_2_dimension, RURO_2_parameter and
// RURO_2_relation of an SQLite file that the host supplies (docs/exchange-format.md).
// Every row goes in with RURO_flag 0; the export only appends rows, it never
// creates, empties or drops a table.
//
// One object serves one RefreshTable call: construct, ExportModel once, read the
// status record, destroy. The call is all or nothing: its rows go in one
// transaction, committed only when every requested kind was written; the first
// failure (a toolkit failure as its code and "():" + the code's name, a database
// failure as SQLite's text and code name) rolls it back and is the call's status.
// Rows go in through one prepared statement per table, reused for every row.
//
// Threads: the caller's, holding the module-wide lock for the whole call (the
// command object's frame); the object takes no lock of its own.
#include <ProObjects.h>
#include <ProToolkit.h>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "src/exchange_row.h"
#include "src/guarded_frame.h"
#include "src/sqlite_connection.h"
#include "src/status_record.h"

class ProMdlToDb : public StatusRecord {
 public:
  ProMdlToDb() = default;
  ProMdlToDb(const ProMdlToDb&) = delete;
  ProMdlToDb& operator=(const ProMdlToDb&) = delete;

  // Writes the current model's items of the kinds that `kindList` names (comma
  // separated: "feature", "dimension", "parameter", "relation", written exactly
  // so; other tokens are ignored) into `dbPath`, in that fixed order, in one
  // transaction. Returns 0, or the first failure's code (a toolkit error code or
  // -1), and then nothing of the call is in the file. After a successful export
  // the file is closed and the call pauses one second before it returns.
  // `before_commit`, when given, runs after the last row and before the commit;
  // a nonzero result (its status in the record passed) fails the call like any
  // other failure.
  int ExportModel(const std::wstring& kindList, const std::wstring& dbPath,
                  const std::function<int(StatusRecord&)>& before_commit = nullptr);

 private:
  struct FeatureEntry {
    ProFeature feature;
    int status;  // ProFeatStatus as ProSolidFeatstatusGet reports it
  };

  // Runs one step in the common failure conversion (a raise gives -1) with the
  // machine-fault translator installed; database errors also go to the log.
  int Step(CatchSite site, const std::function<int()>& body);
  // Records (code, "():" + ToolkitErrorName(code)) and returns the code.
  int RecordToolkitFailure(int code);

  int ExportItems(const std::vector<std::wstring>& kinds);
  // Appends the solid's features, without those that failed, to the feature list.
  int CollectFeatures(ProSolid solid);
  int ExportFeatures(const std::wstring& kind);
  // The feature's name; for an unnamed one "---", or the model name of a
  // component with ".PRT" or ".ASM".
  int ItemName(const ProFeature& feature, std::wstring& name);
  int ExportDimensions(const std::wstring& kind);
  int ExportParameters(const std::wstring& kind);
  // `component` is null for the model's own parameters.
  int ExportOwnerParameters(const ProModelitem& owner, const FeatureEntry* component);
  int ExportRelations(const std::wstring& kind);
  int ExportItemRelations(const ProModelitem& owner);
  void InsertRow();

  ProMdl model_ = nullptr;
  std::unique_ptr<CppSQLite3Connection> connection_;
  // The insert statement of each column list (one a table, as a rule), by its
  // text; declared after the connection, so that they go before it does.
  std::map<std::wstring, CppSQLite3Statement> inserts_;
  ExchangeRow row_;
  std::vector<FeatureEntry> features_;  // what all four exports walk
};
