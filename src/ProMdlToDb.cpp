// The export driver: the database and its transaction, the choice of kinds, and
// the feature list that the four exports share.
#include "src/ProMdlToDb.h"

#include <ProDrawing.h>
#include <ProMdl.h>
#include <ProSolid.h>
#include <algorithm>
#include <set>

#include "port/clock.h"
#include "src/exchange_step.h"
#include "src/split_string.h"
#include "src/toolkit_array.h"
#include "src/toolkit_error_name.h"

int ProMdlToDb::Step(CatchSite site, const std::function<int()>& body) {
  return ExchangeStep(*this, L"ProMdlToDb", site, body);
}

int ProMdlToDb::RecordToolkitFailure(int code) {
  SetStatus(code, ToolkitStatusText(code));
  return code;
}

int ProMdlToDb::ExportModel(const std::wstring& kindList, const std::wstring& dbPath,
                            const std::function<int(StatusRecord&)>& before_commit) {
  return Step(TAV_CATCH_SITE, [&] {
    connection_.reset();
    model_ = nullptr;
    // RefreshTable has refused to run without a current model.
    ProMdlCurrentGet(&model_);
    connection_ = std::make_unique<CppSQLite3Connection>();
    connection_->Open(dbPath);
    connection_->ExecuteStatement(L"begin transaction");
    int result = ExportItems(SplitString(kindList, L",", true, false));
    inserts_.clear();
    if (result == 0 && before_commit) {
      result = Step(TAV_CATCH_SITE, [&] { return before_commit(*this); });
    }
    if (result == 0) {
      result = Step(TAV_CATCH_SITE, [&] { return connection_->ExecuteStatement(L"commit"); });
    }
    if (result != 0) {
      // Nothing of a failed call stays in the file. Closing the connection would
      // discard the rows as well; the rollback says so at once, and frees the lock.
      const StatusRecord failure = *this;
      Step(TAV_CATCH_SITE, [&] { return connection_->ExecuteStatement(L"rollback"); });
      SetStatus(failure.m_nStatus, failure.m_strStatus);
      connection_.reset();
      return result;
    }
    connection_->Close();
    connection_.reset();
    SetStatus(0, L"");
    port::Sleep(1000);
    return 0;
  });
}

int ProMdlToDb::ExportItems(const std::vector<std::wstring>& kinds) {
  return Step(TAV_CATCH_SITE, [&] {
    ProMdlType type = PRO_MDL_UNUSED;
    ProError rc = ProMdlTypeGet(model_, &type);
    if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
    features_.clear();
    if (type == PRO_MDL_PART || type == PRO_MDL_ASSEMBLY) {
      const int collected = CollectFeatures(static_cast<ProSolid>(model_));
      if (collected != 0) return RecordToolkitFailure(collected);
    } else if (type == PRO_MDL_DRAWING) {
      ToolkitArray<ProSolid> solids;
      rc = ProDrawingSolidsCollect(static_cast<ProDrawing>(model_), solids.address());
      if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
      // A solid whose features cannot be listed counts as one without features.
      for (int i = 0; i < solids.size(); ++i) CollectFeatures(solids[i]);
      rc = solids.Free();
      if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
    } else {
      return RecordToolkitFailure(PRO_TK_INVALID_TYPE);
    }
    // The kinds run in a fixed order, whatever the order of the tokens, each once.
    const auto named = [&](const wchar_t* kind) {
      return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
    };
    // The first failure of any kind ends the call.
    int result = 0;
    if (named(L"feature")) result = ExportFeatures(L"feature");
    if (result == 0 && named(L"dimension")) result = ExportDimensions(L"dimension");
    if (result == 0 && named(L"parameter")) result = ExportParameters(L"parameter");
    if (result == 0 && named(L"relation")) result = ExportRelations(L"relation");
    return result;
  });
}

int ProMdlToDb::CollectFeatures(ProSolid solid) {
  return Step(TAV_CATCH_SITE, [&] {
    ToolkitArray<int> ids;
    ToolkitArray<ProFeatStatus> statuses;
    ToolkitArray<int> failed;
    ProError rc;
    if ((rc = ids.Alloc()) != PRO_TK_NO_ERROR || (rc = statuses.Alloc()) != PRO_TK_NO_ERROR ||
        (rc = failed.Alloc()) != PRO_TK_NO_ERROR)
      return RecordToolkitFailure(rc);
    int count = 0;
    rc = ProSolidFeatstatusGet(solid, ids.address(), statuses.address(), &count);
    if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
    rc = ProSolidFailedFeatsList(solid, failed.address());
    if (rc != PRO_TK_NO_ERROR && rc != PRO_TK_E_NOT_FOUND) return RecordToolkitFailure(rc);
    std::set<int> failed_ids;
    for (int i = 0; i < failed.size(); ++i) failed_ids.insert(failed[i]);
    for (int j = 0; j < count; ++j) {
      if (failed_ids.count(ids[j])) continue;
      FeatureEntry entry = {};
      ProFeatureInit(solid, ids[j], &entry.feature);
      entry.status = statuses[j];
      features_.push_back(entry);
    }
    return 0;
  });
}

void ProMdlToDb::InsertRow() {
  const std::wstring sql = row_.Insert();
  auto found = inserts_.find(sql);
  if (found == inserts_.end()) found = inserts_.emplace(sql, connection_->Prepare(sql)).first;
  row_.Bind(found->second);
  found->second.Execute();
}
