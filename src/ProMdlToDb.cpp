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
  SetStatus(code, L"():" + ToolkitErrorName(code));
  return code;
}

int ProMdlToDb::ExportModel(const std::wstring& kindList, const std::wstring& dbPath) {
  return Step(TAV_CATCH_SITE, [&] {
    connection_.reset();
    model_ = nullptr;
    // RefreshTable has refused to run without a current model.
    ProMdlCurrentGet(&model_);
    connection_ = std::make_unique<CppSQLite3Connection>();
    connection_->Open(dbPath);
    connection_->ExecuteStatement(L"begin transaction");
    const int result = ExportItems(SplitString(kindList, L",", true, false));
    // Rows written before a failure are kept.
    connection_->ExecuteStatement(L"commit transaction");
    if (result != 0) return result;
    connection_->Close();
    connection_.reset();
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
    int result = 0;
    StatusRecord feature_failure;
    if (named(L"feature")) {
      result = ExportFeatures(L"feature");
      feature_failure = *this;
    }
    if (named(L"dimension")) ExportDimensions(L"dimension");
    if (named(L"parameter")) ExportParameters(L"parameter");
    if (named(L"relation")) ExportRelations(L"relation");
    // The later kinds write into the record too (their own failures, and the
    // naming's "no error"); the failure reported is the one that decides.
    if (result != 0) SetStatus(feature_failure.m_nStatus, feature_failure.m_strStatus);
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
  const std::wstring statement = row_.BuildInsert(true);
  if (connection_) connection_->ExecuteStatement(statement);
}
