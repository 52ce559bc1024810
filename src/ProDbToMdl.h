#pragma once
// ProDbToMdl: the import, which carries the rows a host edited and flagged in the
// exchange database (docs/exchange-format.md) back into the session's current
// model: renamed features; dimension symbols, values and tolerances; changed,
// deleted and added parameters; relation sets. Then it regenerates the model once.
//
// The import only reads the database: the file is opened read-only, so every
// RURO_flag stays as the host left it and the file is unchanged byte for byte.
// Rows are read in their stored order (rowid).
//
// One object serves one UpdateTable call: construct, UpdateModel once, read the
// status record, destroy. The call is all or nothing: before each change the
// importer keeps what it replaces; the first failure (the final regeneration's
// included) ends the update, every change of the call is put back, newest first,
// and the model is regenerated again. The status then holds the failure's code
// and message followed by " (model restored)", or by which change could not be
// put back.
//
// A drawing takes the rows of its own parameters and relations; it is not
// regenerated as a solid. Feature, dimension and other owners' rows that ask for
// a change in a drawing fail the call before anything changes.
//
// Threads: the caller's, holding the module-wide lock for the whole call (the
// command object's frame); the object takes no lock of its own.
#include <ProObjects.h>
#include <ProToolkit.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "src/guarded_frame.h"
#include "src/sqlite_connection.h"
#include "src/sqlite_cursor.h"
#include "src/status_record.h"

// What the next select of a pass reads: "select <columns> from '<table>' where
// <condition> order by rowid".
struct SelectQuery {
  std::wstring table;
  std::vector<std::wstring> columns;
  std::wstring condition;
};

class ProDbToMdl : public StatusRecord {
 public:
  ProDbToMdl() = default;
  ProDbToMdl(const ProDbToMdl&) = delete;
  ProDbToMdl& operator=(const ProDbToMdl&) = delete;

  // Applies the flagged rows of the kinds that `kindList` names (comma separated:
  // "feature", "dimension", "parameter", "relation", written exactly so; other
  // tokens are ignored) from the database `dbPath` to the current model, always
  // in that order, then regenerates the model. Returns 0, or the code of the
  // failure that ended it (a toolkit error code, or -1), which is also the status
  // code.
  int UpdateModel(const wchar_t* dbPath, const wchar_t* kindList);

  // "RURO_flag=<flag>", the condition of the passes that read one flag.
  static std::wstring FlagCondition(int flag);
  // The statement for `query` (see SelectQuery).
  static std::wstring BuildSelect(const SelectQuery& query);

 private:
  // The per-row work of a pass: 0 goes on with the next row; anything else ends
  // the pass with that result (the status record already says why).
  using RowWork = std::function<int()>;

  // Runs one step in the common failure conversion (a raise gives -1) with the
  // machine-fault translator installed; database errors also go to the log.
  int Step(CatchSite site, const std::function<int()>& body);
  // The pass skeleton: selects `columns` of the driver's table where `condition`
  // holds and runs `work` on each row, the cursor positioned on it.
  int ForEachRow(CatchSite site, std::vector<std::wstring> columns, const std::wstring& condition,
                 const RowWork& work);
  // Runs the select of the current SelectQuery into the cursor; false after a
  // failure, which the status record then holds (-1, SQLite's text).
  bool ExecuteSelect();
  // Sets (code, "():" + ToolkitErrorName(code)) and returns the code.
  int FailWithToolkitError(int code);

  // Fields of the cursor's row; NULL gives 0, 0.0 or "".
  int IntField(const wchar_t* column) const;
  double DoubleField(const wchar_t* column) const;
  std::wstring TextField(const wchar_t* column) const;
  // Copies a name into a ProName: 0, or FailWithToolkitError(-22) when it is
  // longer than 31 characters.
  int CopyName(const std::wstring& name, ProName buffer);

  int RunPasses(const std::vector<std::wstring>& kinds);
  // Before a change: keeps how to put back what it replaces; `what` names it
  // for the status when that fails.
  void Remember(std::wstring what, std::function<ProError()> put_back);
  // After a failure: puts back every change kept, newest first, regenerates, and
  // says in the status whether the model is as it was.
  void Restore();
  // The model's own regeneration (none for a drawing).
  ProError Regenerate();
  // For a drawing: 0, or the failure of a row that asks for a change the drawing
  // cannot take, found before anything changes.
  int RefuseDrawingRows(const std::vector<std::wstring>& kinds);
  int UpdateFeatures();
  int UpdateDimensions();
  int UpdateParameters();
  int DeleteParameters();
  int CreateParameters();
  int UpdateRelations();
  // The owner of the parameter of the cursor's row, found the way the export
  // wrote it (see import_parameters.cpp).
  ProError ParameterOwner(ProModelitem* owner);
  // The parameter the cursor's row names, and its owner: 0, or the failure
  // through FailWithToolkitError.
  int RowParameter(ProParameter* parameter, ProModelitem* owner);
  // The value of the cursor's row (src/param_value_text.h): 0, or the failure
  // through FailWithToolkitError.
  int RowValue(ProParamvalue* value);

  struct Change {
    std::wstring what;
    std::function<ProError()> put_back;
  };

  ProMdl model_ = nullptr;
  bool drawing_ = false;
  std::vector<Change> changes_;  // of this call, in the order made
  std::unique_ptr<CppSQLite3Connection> connection_;
  SelectQuery query_;
  CppSQLite3Cursor cursor_;
};
