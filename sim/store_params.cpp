#include <ProFeatType.h>
#include <ProFeature.h>
#include <ProObjects.h>
#include <ProParamval.h>
#include <algorithm>
#include <cmath>

#include "base/utf.h"
#include "sim/model_file.h"
#include "sim/regenerate.h"
#include "sim/store.h"
#include "sim/store_rules.h"

namespace sim {

// ---- Parameters -------------------------------------------------------------------------

bool Store::OwnerParams(const Item& owner, const std::vector<Parameter>** params) const {
  const Model* m = Find(owner.mdl);
  if (!m) return false;
  if (IsModelItem(owner)) {
    *params = &m->params;
    return true;
  }
  if (owner.type == PRO_FEATURE) {
    if (const Feature* f = FeatureOf(*m, owner.id)) {
      *params = &f->params;
      return true;
    }
  }
  return false;
}

const Parameter* Store::ParamOf(const Item& owner, const std::vector<Parameter>& params,
                                const std::string& name) const {
  // Parameter names are kept upper case (NormaliseParams, ParamCreate, relations).
  const std::string upper = ToUpper(name);
  if (!IsModelItem(owner)) {
    for (const Parameter& p : params)
      if (p.name == upper) return &p;
    return nullptr;
  }
  const long at = indexes_[owner.mdl].params.Find(
      params, upper, [](const Parameter& p) -> const std::string& { return p.name; });
  return at < 0 ? nullptr : &params[static_cast<std::size_t>(at)];
}

std::vector<Parameter>* Store::OwnerParamsMut(const Item& owner) {
  const std::vector<Parameter>* p = nullptr;
  if (!OwnerParams(owner, &p)) return nullptr;
  return const_cast<std::vector<Parameter>*>(p);
}

ProError Store::ParamInit(const Item& owner, const std::string& name, ParamRef* param) const {
  if (name.empty() || !param) return PRO_TK_BAD_INPUTS;
  const std::vector<Parameter>* params = nullptr;
  if (!OwnerParams(owner, &params)) return PRO_TK_BAD_CONTEXT;
  const Parameter* p = ParamOf(owner, *params, name);
  if (!p) return PRO_TK_E_NOT_FOUND;
  *param = ParamRef{owner, p->name};
  return PRO_TK_NO_ERROR;
}

ProError Store::ParamCreate(const Item& owner, const std::string& name, const ParamValue& value,
                            ParamRef* param) {
  std::vector<Parameter>* params = OwnerParamsMut(owner);
  if (!params) return PRO_TK_BAD_CONTEXT;
  if (name.empty() || CharCount(name) > kNameMax || !ValidValue(value)) return PRO_TK_BAD_INPUTS;
  // A name that reads as a dimension symbol would be ambiguous in relations.
  if (!IsRelationName(name) || IsDimSymbolPattern(name)) return PRO_TK_INVALID_NAME;
  if (ParamOf(owner, *params, name)) return PRO_TK_E_FOUND;
  Parameter p;
  p.name = ToUpper(name);
  p.value = Canonical(value);
  params->push_back(p);
  FindMut(owner.mdl)->modified = true;
  if (param) *param = ParamRef{owner, p.name};
  return PRO_TK_NO_ERROR;
}

ProError Store::ParamDelete(const ParamRef& param) {
  std::vector<Parameter>* params = OwnerParamsMut(param.owner);
  if (!params) return PRO_TK_E_NOT_FOUND;
  for (auto it = params->begin(); it != params->end(); ++it) {
    if (EqualNoCase(it->name, param.name)) {
      params->erase(it);
      FindMut(param.owner.mdl)->modified = true;
      return PRO_TK_NO_ERROR;
    }
  }
  return PRO_TK_GENERAL_ERROR;
}

ProError Store::ParamGet(const ParamRef& param, const Parameter** out) const {
  const std::vector<Parameter>* params = nullptr;
  if (!OwnerParams(param.owner, &params)) return PRO_TK_E_NOT_FOUND;
  const Parameter* p = ParamOf(param.owner, *params, param.name);
  if (!p || !out) return PRO_TK_GENERAL_ERROR;
  *out = p;
  return PRO_TK_NO_ERROR;
}

ProError Store::ParamValueGet(const ParamRef& param, ParamValue* value) const {
  const Parameter* p = nullptr;
  const ProError err = ParamGet(param, &p);
  if (err != PRO_TK_NO_ERROR) return err;
  if (!value) return PRO_TK_BAD_INPUTS;
  *value = p->value;
  return PRO_TK_NO_ERROR;
}

ProError Store::ParamValueSet(const ParamRef& param, const ParamValue& value) {
  const Parameter* cp = nullptr;
  const ProError err = ParamGet(param, &cp);
  if (err != PRO_TK_NO_ERROR) return err;
  if (value.type != cp->value.type || !ValidValue(value)) return PRO_TK_BAD_INPUTS;
  Parameter* p = const_cast<Parameter*>(cp);
  const ParamValue v = Canonical(value);
  if (p->value != v) {
    p->value = v;
    FindMut(param.owner.mdl)->modified = true;
  }
  return PRO_TK_NO_ERROR;
}

ProError Store::ParamUnitsGet(const ParamRef& param, std::string* units) const {
  const Parameter* p = nullptr;
  if (ParamGet(param, &p) != PRO_TK_NO_ERROR || !units) return PRO_TK_BAD_INPUTS;
  if (p->units.empty()) return PRO_TK_E_NOT_FOUND;
  *units = p->units;
  return PRO_TK_NO_ERROR;
}

ProError Store::ParamList(const Item& owner, std::vector<std::string>* names) const {
  const std::vector<Parameter>* params = nullptr;
  if (!OwnerParams(owner, &params)) return PRO_TK_GENERAL_ERROR;
  if (!names) return PRO_TK_BAD_INPUTS;
  names->clear();
  for (const Parameter& p : *params) names->push_back(p.name);
  return PRO_TK_NO_ERROR;
}

// ---- Relations --------------------------------------------------------------------------

const std::optional<RelationSet>* Store::RelsetOf(const Item& owner) const {
  const Model* m = Find(owner.mdl);
  if (!m) return nullptr;
  if (IsModelItem(owner)) return &m->relations;
  if (owner.type == PRO_FEATURE)
    for (const Feature& f : m->features)
      if (f.id == owner.id) return &f.relations;
  return nullptr;
}

std::optional<RelationSet>* Store::RelsetOfMut(const Item& owner) {
  return const_cast<std::optional<RelationSet>*>(RelsetOf(owner));
}

ProError Store::ItemToRelset(const Item& owner, Item* relset) const {
  if (!relset) return PRO_TK_BAD_INPUTS;
  if (owner.type != PRO_FEATURE && !IsModelType(owner.type)) return PRO_TK_BAD_INPUTS;
  const std::optional<RelationSet>* set = RelsetOf(owner);
  if (!set || !*set) return PRO_TK_E_NOT_FOUND;
  *relset = owner;
  return PRO_TK_NO_ERROR;
}

ProError Store::RelsetCreate(const Item& owner, Item* relset) {
  std::optional<RelationSet>* set = RelsetOfMut(owner);
  if (!set) return PRO_TK_BAD_INPUTS;
  if (*set) return PRO_TK_E_FOUND;
  set->emplace();
  FindMut(owner.mdl)->modified = true;
  if (relset) *relset = owner;
  return PRO_TK_NO_ERROR;
}

ProError Store::RelsetLinesGet(const Item& relset, std::vector<std::string>* lines) const {
  const std::optional<RelationSet>* set = RelsetOf(relset);
  if (!set || !*set) return PRO_TK_E_NOT_FOUND;
  if (!lines) return PRO_TK_BAD_INPUTS;
  *lines = **set;
  return PRO_TK_NO_ERROR;
}

ProError Store::RelsetLinesSet(const Item& relset, const std::vector<std::string>& lines,
                               int* bad_line) {
  std::optional<RelationSet>* set = RelsetOfMut(relset);
  if (!set || !*set) return PRO_TK_E_NOT_FOUND;
  std::string why;
  int bad = 0;
  if (!CheckRelationLines(lines, &bad, &why)) {
    if (bad_line) *bad_line = bad;
    last_error_ = why;
    return PRO_TK_GENERAL_ERROR;
  }
  **set = lines;
  Model& m = *FindMut(relset.mdl);
  m.modified = true;
  MarkDrivenDimensions(m);
  return PRO_TK_NO_ERROR;
}

}  // namespace sim
