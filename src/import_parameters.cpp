// The parameter and relation passes of ProDbToMdl: rows flagged 2 change
// parameter values, 3 delete parameters, 1 create them on the model; the relation
// rows not flagged 3 become their owners' relation sets. Each change is kept to
// be put back.
#include <ProAsmcomp.h>
#include <ProFeature.h>
#include <ProMdl.h>
#include <ProModelitem.h>
#include <ProParameter.h>
#include <ProRelSet.h>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "src/ProDbToMdl.h"
#include "src/param_value_text.h"
#include "src/string_util.h"
#include "src/toolkit_array.h"

namespace {

// ProModelitemInit for a type read from the database. A number outside the
// toolkit's item types is refused as the toolkit refuses an unknown type, without
// being passed on as one.
ProError InitItem(ProMdl model, int id, int type, ProModelitem* item) {
  if (type < PRO_TYPE_DIR || type > PRO_PATREL_SECOND_DIR) return PRO_TK_BAD_INPUTS;
  return ProModelitemInit(model, id, static_cast<ProType>(type), item);
}

ProError RelationLines(ProRelset relset, std::vector<std::wstring>* lines) {
  ToolkitArray<ProWstring> got;
  if (const ProError rc = got.Alloc()) return rc;
  if (const ProError rc = ProRelsetRelationsGet(&relset, got.address())) return rc;
  int count = 0;
  if (const ProError rc = got.SizeGet(&count)) return rc;
  for (int i = 0; i < count; ++i) lines->push_back(got[i] ? got[i] : L"");
  return PRO_TK_NO_ERROR;
}

// Replaces the set's lines with `lines`.
ProError SetRelationLines(ProRelset relset, std::vector<std::wstring> lines) {
  // The array points at the lines held here: it is freed, they are not.
  ToolkitArray<ProWstring, false> array;
  if (const ProError rc = array.Alloc()) return rc;
  for (std::wstring& line : lines)
    if (const ProError rc = array.Append(line.data())) return rc;
  int count = 0;
  if (const ProError rc = array.SizeGet(&count)) return rc;
  return ProRelsetRelationsSet(&relset, array.data(), count);
}

bool IsInteger(const std::wstring& text) {
  std::size_t i = text.size() > 1 && (text[0] == L'-' || text[0] == L'+') ? 1 : 0;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i)
    if (text[i] < L'0' || text[i] > L'9') return false;
  return true;
}

}  // namespace

// The export writes a parameter's owner as ownerId 0 and the model's type text
// (PRT, ASM) for the model's own parameters, and as the component feature's id
// and its type name (COMPONENT) for those of a component's model. Both forms are
// read back, so every exported row can be flagged; an ownerType that is a number
// is an item type, and ownerId the item's id.
ProError ProDbToMdl::ParameterOwner(ProModelitem* owner) {
  const int id = IntField(L"ownerId");
  const std::wstring type = TextField(L"ownerType");
  if (type.empty() || IsInteger(type)) return InitItem(model_, id, IntField(L"ownerType"), owner);
  ProMdldata data = {};
  if (const ProError rc = ProMdlDataGet(model_, &data)) return rc;
  if (type == data.type) {
    if (id == 0) return ProMdlToModelitem(model_, owner);
    // Another id with the model's type names a model item by id, never a component:
    // the session decides whether it is the model's own.
    ProMdlType model_type = PRO_MDL_UNUSED;
    if (const ProError rc = ProMdlTypeGet(model_, &model_type)) return rc;
    return InitItem(model_, id, model_type, owner);
  }
  ProFeature component = {};
  if (const ProError rc = ProFeatureInit(static_cast<ProSolid>(model_), id, &component)) return rc;
  ProMdl component_model = nullptr;
  if (const ProError rc = ProAsmcompMdlGet(&component, &component_model)) return rc;
  return ProMdlToModelitem(component_model, owner);
}

int ProDbToMdl::RowValue(ProParamvalue* value) {
  const ProError rc =
      ParamvalueFromText(IntField(L"paramValType"), TextField(L"paramValue"), value);
  return rc == PRO_TK_NO_ERROR ? 0 : FailWithToolkitError(rc);
}

int ProDbToMdl::RowParameter(ProParameter* parameter, ProModelitem* owner) {
  if (const ProError rc = ParameterOwner(owner)) return FailWithToolkitError(rc);
  ProName name = {};
  if (const int failed = CopyName(TextField(L"paramName"), name)) return failed;
  if (const ProError rc = ProParameterInit(owner, name, parameter)) return FailWithToolkitError(rc);
  return 0;
}

int ProDbToMdl::UpdateParameters() {
  return ForEachRow(
      TAV_CATCH_SITE,
      {L"ownerId", L"ownerType", L"paramName", L"paramValType", L"paramValue", L"description"},
      FlagCondition(2), [&] {
        ProParameter parameter = {};
        ProModelitem owner = {};
        if (const int failed = RowParameter(&parameter, &owner)) return failed;
        ProParamvalue value = {}, old = {};
        if (const int failed = RowValue(&value)) return failed;
        if (const ProError rc = ProParameterValueGet(&parameter, &old))
          return FailWithToolkitError(rc);
        if (const ProError rc = ProParameterValueSet(&parameter, &value))
          return FailWithToolkitError(rc);
        Remember(L"the value of parameter " + std::wstring(parameter.id),
                 [parameter, old]() mutable { return ProParameterValueSet(&parameter, &old); });
        return 0;
      });
}

int ProDbToMdl::DeleteParameters() {
  return ForEachRow(TAV_CATCH_SITE, {L"ownerId", L"ownerType", L"paramName"}, FlagCondition(3),
                    [&] {
                      ProParameter parameter = {};
                      ProModelitem owner = {};
                      if (const int failed = RowParameter(&parameter, &owner)) return failed;
                      // Created again after a later failure, with its value (a
                      // unit the toolkit cannot give back).
                      ProParamvalue old = {};
                      if (const ProError rc = ProParameterValueGet(&parameter, &old))
                        return FailWithToolkitError(rc);
                      if (const ProError rc = ProParameterDelete(&parameter))
                        return FailWithToolkitError(rc);
                      Remember(L"the deleted parameter " + std::wstring(parameter.id),
                               [owner, parameter, old]() mutable {
                                 ProParameter again = {};
                                 return ProParameterCreate(&owner, parameter.id, &old, &again);
                               });
                      return 0;
                    });
}

int ProDbToMdl::CreateParameters() {
  // New parameters always go on the model; the rows' owner columns are not read.
  // A failure here shows as the creation's own failure.
  ProModelitem owner = {};
  ProMdlToModelitem(model_, &owner);
  return ForEachRow(TAV_CATCH_SITE, {L"paramName", L"paramValType", L"paramValue", L"description"},
                    FlagCondition(1), [&] {
                      ProName name = {};
                      if (const int failed = CopyName(TextField(L"paramName"), name)) return failed;
                      ProParamvalue value = {};
                      if (const int failed = RowValue(&value)) return failed;
                      ProParameter parameter = {};
                      if (const ProError rc = ProParameterCreate(&owner, name, &value, &parameter))
                        return FailWithToolkitError(rc);
                      Remember(L"the new parameter " + std::wstring(parameter.id),
                               [parameter]() mutable { return ProParameterDelete(&parameter); });
                      return 0;
                    });
}

int ProDbToMdl::UpdateRelations() {
  struct OwnerLines {
    ProModelitem owner;
    std::vector<std::wstring> lines;
  };
  std::vector<OwnerLines> owners;  // in the order their first rows come
  std::map<std::tuple<int, int, ProMdl>, std::size_t> index;
  ProModelitem model_item = {};
  if (const ProError rc = ProMdlToModelitem(model_, &model_item)) return FailWithToolkitError(rc);
  // Every owner is found before any relation set changes: a row whose owner is
  // gone ends the pass with the model untouched.
  const int read =
      ForEachRow(TAV_CATCH_SITE, {L"ownerId", L"ownerType", L"relation"},
                 L"RURO_flag != " + IntToWString(3), [&] {
                   ProModelitem owner = model_item;
                   // The model's own relations: its item id is the model's handle in one
                   // session, so the type alone names it in a file from an earlier session.
                   const int type = IntField(L"ownerType");
                   // A drawing rewrites only its own set; other owners' rows (its
                   // solids' features) are as exported, as RefuseDrawingRows made sure.
                   if (drawing_ && type != model_item.type) return 0;
                   if (type != model_item.type)
                     if (const ProError rc = InitItem(model_, IntField(L"ownerId"), type, &owner))
                       return FailWithToolkitError(rc);
                   // An owner's rows join wherever they stand, in their stored order: rows a
                   // host appended add to the relations instead of replacing them.
                   const auto key = std::make_tuple(owner.type, owner.id, owner.owner);
                   const auto found = index.emplace(key, owners.size());
                   if (found.second) owners.push_back({owner, {}});
                   owners[found.first->second].lines.push_back(TextField(L"relation"));
                   return 0;
                 });
  if (read != 0) return read;
  return Step(TAV_CATCH_SITE, [&] {
    for (OwnerLines& entry : owners) {
      ProRelset relset = {};
      // The lines a set had, to be put back; a set made here cannot be removed
      // again and is emptied instead.
      std::vector<std::wstring> old;
      if (ProModelitemToRelset(&entry.owner, &relset) != PRO_TK_NO_ERROR) {
        if (const ProError rc = ProRelsetCreate(&entry.owner, &relset))
          return FailWithToolkitError(rc);
      } else if (const ProError rc = RelationLines(relset, &old)) {
        return FailWithToolkitError(rc);
      }
      if (const ProError rc = SetRelationLines(relset, entry.lines))
        return FailWithToolkitError(rc);
      Remember(L"the relations of item " + std::to_wstring(entry.owner.id),
               [relset, old]() { return SetRelationLines(relset, old); });
    }
    return 0;
  });
}
