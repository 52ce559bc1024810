// The parameter and relation exports of ProMdlToDb.
#include <ProAsmcomp.h>
#include <ProFeature.h>
#include <ProMdl.h>
#include <ProMdlUnits.h>
#include <ProParameter.h>
#include <ProRelSet.h>
#include <string>
#include <vector>

#include "src/ProMdlToDb.h"
#include "src/param_value_text.h"
#include "src/toolkit_array.h"
#include "src/toolkit_error_name.h"

namespace {

ProError CollectParameter(ProParameter* parameter, ProError, ProAppData data) {
  static_cast<std::vector<ProParameter>*>(data)->push_back(*parameter);
  return PRO_TK_NO_ERROR;
}

}  // namespace

int ProMdlToDb::ExportParameters(const std::wstring& kind) {
  return Step(TAV_CATCH_SITE, [&] {
    ProModelitem model_item = {};
    const ProError rc = ProMdlToModelitem(model_, &model_item);
    if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
    row_.SetTable(ExchangeRow::TableName(kind));
    // An owner without parameters (-4) writes nothing, which is no failure, and the
    // next owner still runs: an assembly without parameters of its own still gives
    // its components'.
    int result = 0;
    const auto owner_done = [&](int owner_result) {
      if (owner_result != PRO_TK_E_NOT_FOUND) result = owner_result;
      return result == 0;
    };
    if (!owner_done(ExportOwnerParameters(model_item, nullptr))) return result;
    for (const FeatureEntry& entry : features_) {
      ProFeature feature = entry.feature;
      ProFeattype type = 0;
      ProError rc = ProFeatureTypeGet(&feature, &type);
      if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
      if (type != PRO_FEAT_COMPONENT) continue;
      ProMdl component_model = nullptr;
      ProModelitem owner = {};
      rc = ProAsmcompMdlGet(&feature, &component_model);
      if (rc == PRO_TK_NO_ERROR) rc = ProMdlToModelitem(component_model, &owner);
      if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
      if (!owner_done(ExportOwnerParameters(owner, &entry))) break;
    }
    return result;
  });
}

int ProMdlToDb::ExportOwnerParameters(const ProModelitem& owner, const FeatureEntry* component) {
  return Step(TAV_CATCH_SITE, [&] {
    ProModelitem item = owner;
    std::vector<ProParameter> parameters;
    const ProError visited = ProParameterVisit(&item, nullptr, CollectParameter, &parameters);
    if (visited != PRO_TK_NO_ERROR) return RecordToolkitFailure(visited);
    for (ProParameter& parameter : parameters) {
      row_.Clear();
      if (component) {
        ProFeature feature = component->feature;
        row_.AddIntColumn(L"ownerId", feature.id);
        std::wstring name;
        if (ItemName(feature, name) != 0) return -1;
        row_.AddTextColumn(L"ownerName", name.c_str());
        ProName type_name = {};
        const ProError rc = ProFeatureTypenameGet(&feature, type_name);
        if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
        row_.AddTextColumn(L"ownerType", type_name);
      } else {
        ProMdldata data = {};
        const ProError rc = ProMdlDataGet(item.owner, &data);
        if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
        row_.AddIntColumn(L"ownerId", 0);
        row_.AddTextColumn(L"ownerName", (std::wstring(data.name) + L"." + data.type).c_str());
        row_.AddTextColumn(L"ownerType", data.type);
      }
      row_.AddTextColumn(L"paramName", parameter.id);
      ProParamvalue value = {};
      ProError rc = ProParameterValueGet(&parameter, &value);
      if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
      row_.AddIntColumn(L"paramValType", value.type);
      row_.AddTextColumn(L"paramValue", ParamvalueToText(value).c_str());
      // A parameter without unit (not found) leaves the column out.
      ProUnititem units = {};
      rc = ProParameterUnitsGet(&parameter, &units);
      if (rc == PRO_TK_NO_ERROR) row_.AddTextColumn(L"units", units.name);
      if (rc != PRO_TK_NO_ERROR && rc != PRO_TK_E_NOT_FOUND) return RecordToolkitFailure(rc);
      InsertRow();
    }
    return 0;
  });
}

int ProMdlToDb::ExportRelations(const std::wstring& kind) {
  return Step(TAV_CATCH_SITE, [&] {
    ProModelitem model_item = {};
    const ProError rc = ProMdlToModelitem(model_, &model_item);
    if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
    row_.SetTable(ExchangeRow::TableName(kind));
    int result = ExportItemRelations(model_item);
    for (std::size_t i = 0; result == 0 && i < features_.size(); ++i)
      result = ExportItemRelations(features_[i].feature);
    return result;
  });
}

int ProMdlToDb::ExportItemRelations(const ProModelitem& owner) {
  return Step(TAV_CATCH_SITE, [&] {
    ProModelitem item = owner;
    ProRelset relset = {};
    const ProError found = ProModelitemToRelset(&item, &relset);
    // No relation set (or an item that cannot have one): nothing to write, and
    // not a failure.
    if (found == PRO_TK_E_NOT_FOUND || found == PRO_TK_BAD_INPUTS) return 0;
    if (found != PRO_TK_NO_ERROR) return RecordToolkitFailure(found);
    ToolkitArray<ProWstring> lines;
    ProError rc = lines.Alloc();
    if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
    rc = ProRelsetRelationsGet(&relset, lines.address());
    if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
    int count = 0;
    rc = lines.SizeGet(&count);
    if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
    for (int i = 0; i < count; ++i) {
      row_.Clear();
      row_.AddIntColumn(L"ownerId", owner.id);
      row_.AddIntColumn(L"ownerType", owner.type);
      row_.AddTextColumn(L"relation", lines[i]);
      InsertRow();
    }
    return 0;
  });
}
