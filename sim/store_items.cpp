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

// ---- Features -----------------------------------------------------------------------

ProError Store::FeatureInit(int mdl, int feat_id, Item* feat) const {
  const Model* m = Find(mdl);
  if (!m || !feat || !IsSolidType(m->type)) return PRO_TK_BAD_INPUTS;
  if (!FeatureOf(*m, feat_id)) return PRO_TK_NOT_EXIST;
  *feat = Item{PRO_FEATURE, feat_id, mdl};
  return PRO_TK_NO_ERROR;
}

ProError Store::GetFeature(const Item& feat, const Feature** out) const {
  if (feat.type != PRO_FEATURE) return PRO_TK_INVALID_TYPE;
  const Model* m = Find(feat.mdl);
  if (!m || !out) return PRO_TK_BAD_INPUTS;
  const Feature* f = FeatureOf(*m, feat.id);
  if (!f) return PRO_TK_BAD_INPUTS;
  *out = f;
  return PRO_TK_NO_ERROR;
}

ProError Store::FeatureStatuses(int mdl, std::vector<int>* ids, std::vector<int>* statuses) const {
  const Model* m = Find(mdl);
  if (!m || !ids || !statuses || !IsSolidType(m->type)) return PRO_TK_BAD_INPUTS;
  ids->clear();
  statuses->clear();
  for (const Feature& f : m->features) {
    ids->push_back(f.id);
    statuses->push_back(f.status);
  }
  return PRO_TK_NO_ERROR;
}

ProError Store::FailedFeatures(int mdl, std::vector<int>* ids) const {
  const Model* m = Find(mdl);
  if (!m || !ids || !IsSolidType(m->type)) return PRO_TK_BAD_INPUTS;
  std::vector<int> out;
  for (const Feature& f : m->features)
    if (f.failed) out.push_back(f.id);
  if (out.empty()) return PRO_TK_E_NOT_FOUND;
  *ids = std::move(out);
  return PRO_TK_NO_ERROR;
}

ProError Store::Features(int mdl, std::vector<Item>* feats) const {
  const Model* m = Find(mdl);
  if (!m || !feats || !IsSolidType(m->type)) return PRO_TK_BAD_INPUTS;
  feats->clear();
  for (const Feature& f : m->features) feats->push_back(Item{PRO_FEATURE, f.id, mdl});
  return PRO_TK_NO_ERROR;
}

ProError Store::FeatureDimensions(const Item& feat, std::vector<Item>* dims) const {
  const Feature* f = nullptr;
  if (GetFeature(feat, &f) != PRO_TK_NO_ERROR || !dims) return PRO_TK_BAD_INPUTS;
  const Model& m = models_.at(feat.mdl);
  dims->clear();
  for (int id : f->dims) {
    if (const Dimension* d = DimensionOf(m, id))
      dims->push_back(Item{d->reference ? PRO_REF_DIMENSION : PRO_DIMENSION, id, feat.mdl});
  }
  return PRO_TK_NO_ERROR;
}

// ---- Model items -------------------------------------------------------------------

ProError Store::ModelitemInit(int mdl, int id, int type, Item* item) const {
  const Model* m = Find(mdl);
  if (!m || !item) return PRO_TK_BAD_INPUTS;
  if (IsModelType(type)) {
    if (type != m->type || id != mdl) return PRO_TK_NOT_EXIST;
    *item = Item{type, id, mdl};
    return PRO_TK_NO_ERROR;
  }
  if (type == PRO_FEATURE) {
    if (!IsSolidType(m->type)) return PRO_TK_NOT_EXIST;
    return FeatureInit(mdl, id, item) == PRO_TK_NO_ERROR ? PRO_TK_NO_ERROR : PRO_TK_NOT_EXIST;
  }
  if (type == PRO_DIMENSION || type == PRO_REF_DIMENSION) {
    const Dimension* d = DimensionOf(*m, id);
    if (!d || d->reference != (type == PRO_REF_DIMENSION)) return PRO_TK_NOT_EXIST;
    *item = Item{type, id, mdl};
    return PRO_TK_NO_ERROR;
  }
  return PRO_TK_BAD_INPUTS;
}

ProError Store::ItemNameGet(const Item& item, std::string* name) const {
  if (!name) return PRO_TK_BAD_INPUTS;
  if (item.type == PRO_FEATURE) {
    const Feature* f = nullptr;
    if (GetFeature(item, &f) != PRO_TK_NO_ERROR) return PRO_TK_BAD_INPUTS;
    if (f->name.empty()) return PRO_TK_E_NOT_FOUND;
    *name = f->name;
    return PRO_TK_NO_ERROR;
  }
  if (item.type == PRO_DIMENSION || item.type == PRO_REF_DIMENSION) {
    const Dimension* d = nullptr;
    if (GetDimension(item, &d) != PRO_TK_NO_ERROR) return PRO_TK_BAD_INPUTS;
    *name = d->symbol;
    return PRO_TK_NO_ERROR;
  }
  return PRO_TK_BAD_INPUTS;
}

ProError Store::ItemNameSet(const Item& item, const std::string& name) {
  Model* m = FindMut(item.mdl);
  if (!m) return PRO_TK_BAD_INPUTS;
  if (item.type == PRO_FEATURE) {
    Feature* f = FeatureMut(*m, item.id);
    if (!f) return PRO_TK_BAD_INPUTS;
    if (CharCount(name) > kNameMax) return PRO_TK_LINE_TOO_LONG;
    if (!IsItemName(name)) return PRO_TK_INVALID_NAME;
    const std::string upper = ToUpper(name);
    for (const Feature& other : m->features)
      if (other.id != f->id && other.name == upper) return PRO_TK_E_FOUND;
    if (f->name != upper) {
      f->name = upper;
      m->modified = true;
    }
    return PRO_TK_NO_ERROR;
  }
  if (item.type == PRO_DIMENSION || item.type == PRO_REF_DIMENSION) {
    if (CharCount(name) > kNameMax) return PRO_TK_LINE_TOO_LONG;
    if (!IsRelationName(name)) return PRO_TK_INVALID_NAME;
    const ProError err = DimensionSymbolSet(item, name);
    return err == PRO_TK_NO_CHANGE ? PRO_TK_E_FOUND : err;
  }
  return PRO_TK_BAD_INPUTS;
}

// ---- Dimensions ----------------------------------------------------------------------

ProError Store::GetDimension(const Item& dim, const Dimension** out) const {
  if (dim.type != PRO_DIMENSION && dim.type != PRO_REF_DIMENSION) return PRO_TK_GENERAL_ERROR;
  const Model* m = Find(dim.mdl);
  if (!m || !out) return PRO_TK_GENERAL_ERROR;
  const Dimension* d = DimensionOf(*m, dim.id);
  if (!d) return PRO_TK_GENERAL_ERROR;
  *out = d;
  return PRO_TK_NO_ERROR;
}

ProError Store::DimensionSymbolSet(const Item& dim, const std::string& symbol) {
  const Dimension* cd = nullptr;
  if (GetDimension(dim, &cd) != PRO_TK_NO_ERROR) return PRO_TK_BAD_INPUTS;
  if (CharCount(symbol) > kNameMax || !IsRelationName(symbol)) return PRO_TK_BAD_INPUTS;
  Model& m = *FindMut(dim.mdl);
  const std::string lower = ToLower(symbol);
  // Symbols are unique in the model: the dimension's own needs no walk.
  if (cd->symbol == lower) return PRO_TK_NO_ERROR;
  for (const Dimension& other : m.dimensions)
    if (other.id != dim.id && other.symbol == lower) return PRO_TK_NO_CHANGE;
  Dimension* d = DimensionMut(m, dim.id);
  if (d->symbol != lower) {
    d->symbol = lower;
    m.modified = true;
    // Relations name dimensions by symbol: the driven marks follow the new name.
    MarkDrivenDimensions(m);
  }
  return PRO_TK_NO_ERROR;
}

ProError Store::DimensionValueSet(const Item& dim, double value) {
  const Dimension* cd = nullptr;
  if (GetDimension(dim, &cd) != PRO_TK_NO_ERROR || !std::isfinite(value)) return PRO_TK_BAD_INPUTS;
  if (cd->reference || cd->rel_driven) return PRO_TK_BAD_CONTEXT;
  Model& m = *FindMut(dim.mdl);
  Dimension* d = DimensionMut(m, dim.id);
  if (d->value != value) {
    d->value = value;
    m.modified = true;
  }
  return PRO_TK_NO_ERROR;
}

ProError Store::DimensionToltypeGet(const Item& dim, int* tol_type) const {
  const Dimension* d = nullptr;
  if (GetDimension(dim, &d) != PRO_TK_NO_ERROR || !tol_type) return PRO_TK_BAD_INPUTS;
  if (d->reference) return PRO_TK_BAD_CONTEXT;
  *tol_type = d->tol_type;
  return PRO_TK_NO_ERROR;
}

ProError Store::DimensionToltypeSet(const Item& dim, int tol_type) {
  const Dimension* cd = nullptr;
  if (GetDimension(dim, &cd) != PRO_TK_NO_ERROR) return PRO_TK_BAD_INPUTS;
  if (tol_type < PRO_TOL_DEFAULT || tol_type > PRO_TOL_PLUS_MINUS_SYM) return PRO_TK_BAD_INPUTS;
  if (cd->reference) return PRO_TK_BAD_CONTEXT;
  Model& m = *FindMut(dim.mdl);
  Dimension* d = DimensionMut(m, dim.id);
  if (d->tol_type != tol_type) {
    d->tol_type = tol_type;
    m.modified = true;
  }
  return PRO_TK_NO_ERROR;
}

ProError Store::DimensionToleranceSet(const Item& dim, double upper, double lower) {
  const Dimension* cd = nullptr;
  if (GetDimension(dim, &cd) != PRO_TK_NO_ERROR || !std::isfinite(upper) || !std::isfinite(lower))
    return PRO_TK_BAD_INPUTS;
  if (cd->reference) return PRO_TK_BAD_CONTEXT;
  Model& m = *FindMut(dim.mdl);
  Dimension* d = DimensionMut(m, dim.id);
  if (d->upper != upper || d->lower != lower) {
    d->upper = upper;
    d->lower = lower;
    m.modified = true;
  }
  return PRO_TK_NO_ERROR;
}

}  // namespace sim
