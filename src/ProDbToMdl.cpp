// The import driver: the database, the choice and order of the passes, the
// selects they read through, and the final regeneration.
#include "src/ProDbToMdl.h"

#include <ProMdl.h>
#include <ProSolid.h>
#include <algorithm>
#include <utility>

#include "src/exchange_row.h"
#include "src/exchange_step.h"
#include "src/split_string.h"
#include "src/string_util.h"
#include "src/toolkit_error_name.h"

int ProDbToMdl::Step(CatchSite site, const std::function<int()>& body) {
  return ExchangeStep(*this, L"ProDbToMdl", site, body);
}

int ProDbToMdl::FailWithToolkitError(int code) {
  SetStatus(code, ToolkitStatusText(code));
  return code;
}

std::wstring ProDbToMdl::FlagCondition(int flag) {
  return FormatString(L"%ls=%d", L"RURO_flag", flag);
}

std::wstring ProDbToMdl::BuildSelect(const SelectQuery& query) {
  std::wstring columns;
  for (const std::wstring& column : query.columns)
    columns += (columns.empty() ? L"" : L",") + column;
  return L"select " + columns + L" from '" + query.table + L"' where " + query.condition +
         L" order by rowid";
}

int ProDbToMdl::UpdateModel(const wchar_t* dbPath, const wchar_t* kindList) {
  return Step(TAV_CATCH_SITE, [&] {
    connection_ = std::make_unique<CppSQLite3Connection>();
    connection_->OpenReadOnly(dbPath ? dbPath : L"");
    const std::vector<std::wstring> kinds =
        SplitString(kindList ? kindList : L"", L",", true, false);
    model_ = nullptr;
    if (const ProError rc = ProMdlCurrentGet(&model_)) return FailWithToolkitError(rc);
    ProMdlType type = PRO_MDL_UNUSED;
    if (const ProError rc = ProMdlTypeGet(model_, &type)) return FailWithToolkitError(rc);
    drawing_ = type == PRO_MDL_DRAWING;
    const int result = RunPasses(kinds);
    if (result != 0) Restore();
    cursor_.Finalize();
    connection_->Close();
    connection_.reset();
    return result;
  });
}

int ProDbToMdl::RunPasses(const std::vector<std::wstring>& kinds) {
  return Step(TAV_CATCH_SITE, [&] {
    using Pass = int (ProDbToMdl::*)();
    struct Kind {
      const wchar_t* name;
      std::vector<Pass> passes;
    };
    // A fixed order, whatever the order of the tokens: renames before the
    // dimensions, parameters before the relations that may use them. Within the
    // parameters, deletion runs before creation, so that a host can replace a
    // parameter under its own name.
    const Kind order[] = {
        {L"feature", {&ProDbToMdl::UpdateFeatures}},
        {L"dimension", {&ProDbToMdl::UpdateDimensions}},
        {L"parameter",
         {&ProDbToMdl::UpdateParameters, &ProDbToMdl::DeleteParameters,
          &ProDbToMdl::CreateParameters}},
        {L"relation", {&ProDbToMdl::UpdateRelations}},
    };
    if (drawing_)
      if (const int refused = RefuseDrawingRows(kinds)) return refused;
    for (const Kind& kind : order) {
      if (std::find(kinds.begin(), kinds.end(), kind.name) == kinds.end()) continue;
      query_ = SelectQuery{ExchangeRow::TableName(kind.name), {}, L""};
      for (Pass pass : kind.passes)
        if (const int result = (this->*pass)()) return result;
    }
    if (const ProError rc = Regenerate()) return FailWithToolkitError(rc);
    return 0;
  });
}

ProError ProDbToMdl::Regenerate() {
  if (drawing_) return PRO_TK_NO_ERROR;
  return ProSolidRegenerate(static_cast<ProSolid>(model_), PRO_REGEN_NO_FLAGS);
}

int ProDbToMdl::RefuseDrawingRows(const std::vector<std::wstring>& kinds) {
  return Step(TAV_CATCH_SITE, [&] {
    ProMdldata data = {};
    if (const ProError rc = ProMdlDataGet(model_, &data)) return FailWithToolkitError(rc);
    // Rows that would change something else than the drawing's own parameters and
    // relations: flagged features and dimensions (a drawing has none of its own),
    // and flagged parameter and relation rows of other owners.
    const std::wstring own_type = std::wstring(data.type);
    const std::pair<const wchar_t*, std::wstring> refused[] = {
        {L"feature", L"RURO_flag=2"},
        {L"dimension", L"RURO_flag=2"},
        {L"parameter", L"RURO_flag in (2,3) and not (ownerId=0 and ownerType='" + own_type + L"')"},
        {L"relation", L"RURO_flag in (1,2) and ownerType!=" + IntToWString(PRO_DRAWING)},
    };
    for (const auto& [kind, condition] : refused) {
      if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) continue;
      const std::wstring table = ExchangeRow::TableName(kind);
      CppSQLite3Cursor rows =
          connection_->ExecuteQuery(L"select count(*) from '" + table + L"' where " + condition);
      if (rows.GetInt(0, 0) == 0) continue;
      SetStatus(PRO_TK_INVALID_TYPE, ToolkitStatusText(PRO_TK_INVALID_TYPE) +
                                         L" (a drawing takes only its own parameters and "
                                         L"relations; " +
                                         table + L" has rows for others)");
      return static_cast<int>(PRO_TK_INVALID_TYPE);
    }
    return 0;
  });
}

void ProDbToMdl::Remember(std::wstring what, std::function<ProError()> put_back) {
  changes_.push_back({std::move(what), std::move(put_back)});
}

void ProDbToMdl::Restore() {
  std::wstring failed;
  for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
    ProError rc = PRO_TK_GENERAL_ERROR;
    try {
      rc = change->put_back();
    } catch (...) {
      // A machine fault while putting back: that change stays as the call left it.
    }
    if (rc != PRO_TK_NO_ERROR && failed.empty())
      failed = change->what + L" (" + ToolkitErrorName(rc) + L")";
  }
  if (!changes_.empty() && failed.empty()) {
    ProError rc = PRO_TK_GENERAL_ERROR;
    try {
      rc = Regenerate();
    } catch (...) {
    }
    if (rc != PRO_TK_NO_ERROR) failed = L"the regeneration (" + ToolkitErrorName(rc) + L")";
  }
  changes_.clear();
  std::wstring& message = m_strStatus;
  const bool line_feed = !message.empty() && message.back() == L'\n';
  if (line_feed) message.pop_back();
  message += failed.empty() ? L" (model restored)" : L" (model not restored: " + failed + L")";
  if (line_feed) message += L'\n';
}

bool ProDbToMdl::ExecuteSelect() {
  return Step(TAV_CATCH_SITE, [&] {
           cursor_ = connection_->ExecuteQuery(BuildSelect(query_));
           return 0;
         }) == 0;
}

int ProDbToMdl::ForEachRow(CatchSite site, std::vector<std::wstring> columns,
                           const std::wstring& condition, const RowWork& work) {
  return Step(site, [&] {
    query_.columns = std::move(columns);
    query_.condition = condition;
    if (!ExecuteSelect()) return -1;
    for (; !cursor_.AtEnd(); cursor_.Next())
      if (const int result = work()) return result;
    return 0;
  });
}

int ProDbToMdl::IntField(const wchar_t* column) const { return cursor_.GetInt(column, 0); }

double ProDbToMdl::DoubleField(const wchar_t* column) const {
  return cursor_.GetDouble(column, 0.0);
}

std::wstring ProDbToMdl::TextField(const wchar_t* column) const {
  return cursor_.GetText(column, L"");
}

int ProDbToMdl::CopyName(const std::wstring& name, ProName buffer) {
  // Refused rather than cut: a cut name could be another item's.
  if (name.size() >= PRO_NAME_SIZE) return FailWithToolkitError(PRO_TK_INVALID_NAME);
  std::fill(buffer, buffer + PRO_NAME_SIZE, L'\0');
  name.copy(buffer, name.size());
  return 0;
}
