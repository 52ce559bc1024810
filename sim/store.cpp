#include "sim/store.h"

#include <ProFeatType.h>
#include <ProFeature.h>
#include <ProObjects.h>
#include <ProParamval.h>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <set>

#include "base/utf.h"
#include "sim/model_file.h"
#include "sim/regenerate.h"

namespace sim {

namespace {

constexpr size_t kNameMax = 31;
constexpr size_t kStringValueMax = 79;
constexpr int kMaxLoadDepth = 64;  // deeper assembly trees are taken to be cyclic

bool IsModelType(int t) {
  return t == PRO_MDL_PART || t == PRO_MDL_ASSEMBLY || t == PRO_MDL_DRAWING;
}
bool IsSolidType(int t) { return t == PRO_MDL_PART || t == PRO_MDL_ASSEMBLY; }

bool IsLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
}
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Names of models and features: letters (any script), digits, '_' and '-'.
bool IsItemName(const std::string& s) {
  if (s.empty() || !base::IsValidUtf8(s)) return false;
  for (unsigned char c : s)
    if (!IsLetter(c) && !IsDigit(c) && c != '_' && c != '-') return false;
  return true;
}

// Names usable in relations: a letter first, then letters, digits and '_'.
bool IsRelationName(const std::string& s) {
  if (s.empty() || !base::IsValidUtf8(s) || !IsLetter(static_cast<unsigned char>(s[0])))
    return false;
  for (unsigned char c : s)
    if (!IsLetter(c) && !IsDigit(c) && c != '_') return false;
  return true;
}

bool IsDimSymbolPattern(const std::string& s) {
  if (s.size() < 2 || (s[0] != 'd' && s[0] != 'D')) return false;
  for (size_t k = 1; k < s.size(); ++k)
    if (!IsDigit(static_cast<unsigned char>(s[k]))) return false;
  return true;
}

bool ValidValue(const ParamValue& v) {
  switch (v.type) {
    case PRO_PARAM_DOUBLE:
      return std::isfinite(v.d);
    case PRO_PARAM_STRING:
      return base::IsValidUtf8(v.s) && CharCount(v.s) <= kStringValueMax;
    case PRO_PARAM_INTEGER:
    case PRO_PARAM_NOTE_ID:
      return true;
    case PRO_PARAM_BOOLEAN:
      return true;
    default:
      return false;
  }
}

ParamValue Canonical(ParamValue v) {
  if (v.type == PRO_PARAM_BOOLEAN) v.i = v.i != 0 ? 1 : 0;
  if (v.type != PRO_PARAM_STRING) v.s.clear();
  if (v.type != PRO_PARAM_DOUBLE) v.d = 0.0;
  if (v.type == PRO_PARAM_DOUBLE || v.type == PRO_PARAM_STRING) v.i = 0;
  return v;
}

bool NormaliseParams(std::vector<Parameter>& params, const std::string& where,
                     std::string* reason) {
  std::set<std::string> seen;
  for (Parameter& p : params) {
    p.name = ToUpper(p.name);
    if (!base::IsValidUtf8(p.name) || p.name.empty() || CharCount(p.name) > kNameMax) {
      *reason = where + ": parameter name \"" + p.name + "\" is empty or longer than 31 characters";
      return false;
    }
    if (!seen.insert(p.name).second) {
      *reason = where + ": parameter " + p.name + " appears twice";
      return false;
    }
    if (!ValidValue(p.value)) {
      *reason = where + ": parameter " + p.name + " has an invalid value";
      return false;
    }
    p.value = Canonical(p.value);
  }
  return true;
}

std::vector<ModelRef> DirectDeps(const Model& m) {
  std::vector<ModelRef> out;
  auto add = [&](const ModelRef& r) {
    if (std::find(out.begin(), out.end(), r) == out.end()) out.push_back(r);
  };
  for (const Feature& f : m.features)
    if (f.type == PRO_FEAT_COMPONENT) add(ModelRef{f.comp_name, f.comp_type});
  for (const ModelRef& r : m.solids) add(r);
  return out;
}

}  // namespace

Store::Store(StoreOptions options) : options_(std::move(options)) {
  SetWorkingDir(options_.working_dir);
  SetSearchPath(options_.search_path);
}

void Store::SetWorkingDir(const std::string& dir) {
  std::error_code ec;
  std::string cwd = std::filesystem::current_path(ec).string();
  if (ec) cwd = "/";
  options_.working_dir = dir.empty() ? DirWithSlash(cwd) : AbsoluteDir(dir, cwd);
}

void Store::SetSearchPath(std::vector<std::string> dirs) {
  for (std::string& d : dirs) d = AbsoluteDir(d, options_.working_dir);
  options_.search_path = std::move(dirs);
}

// ---- Lookup helpers ---------------------------------------------------------------

const Model* Store::Find(int mdl) const {
  auto it = models_.find(mdl);
  return it == models_.end() ? nullptr : &it->second;
}

Model* Store::FindMut(int mdl) {
  auto it = models_.find(mdl);
  return it == models_.end() ? nullptr : &it->second;
}

const Feature* Store::FeatureOf(const Model& m, int id) const {
  const long at =
      indexes_[m.handle].features.Find(m.features, id, [](const Feature& f) { return f.id; });
  return at < 0 ? nullptr : &m.features[static_cast<std::size_t>(at)];
}

const Dimension* Store::DimensionOf(const Model& m, int id) const {
  const long at =
      indexes_[m.handle].dimensions.Find(m.dimensions, id, [](const Dimension& d) { return d.id; });
  return at < 0 ? nullptr : &m.dimensions[static_cast<std::size_t>(at)];
}

Feature* Store::FeatureMut(Model& m, int id) { return const_cast<Feature*>(FeatureOf(m, id)); }

Dimension* Store::DimensionMut(Model& m, int id) {
  return const_cast<Dimension*>(DimensionOf(m, id));
}

int Store::FindByName(const std::string& name, int type) const {
  const auto it = by_name_.find({type, ToUpper(name)});
  return it == by_name_.end() ? 0 : it->second;
}

bool Store::IsModelItem(const Item& item) const {
  const Model* m = Find(item.mdl);
  return m && item.type == m->type && item.id == item.mdl;
}

// ---- Normalisation ----------------------------------------------------------------

bool Store::Normalise(Model& m, std::string* reason) {
  std::string dummy;
  if (!reason) reason = &dummy;
  m.name = ToUpper(m.name);
  if (!IsModelType(m.type)) {
    *reason = "unknown model type";
    return false;
  }
  if (m.name.empty() || !base::IsValidUtf8(m.name) || CharCount(m.name) > kNameMax) {
    *reason = "model name is empty or longer than 31 characters";
    return false;
  }
  if (m.subtype == 0) m.subtype = DefaultModelSubtype(m.type);
  if (m.type == PRO_MDL_DRAWING && !m.features.empty()) {
    *reason = "a drawing has no features";
    return false;
  }
  if (m.type != PRO_MDL_DRAWING && !m.solids.empty()) {
    *reason = "only a drawing shows solids";
    return false;
  }
  for (ModelRef& r : m.solids) {
    r.name = ToUpper(r.name);
    if (!IsSolidType(r.type) || r.name.empty()) {
      *reason = "a drawing shows parts and assemblies";
      return false;
    }
  }
  if (!NormaliseParams(m.params, m.name, reason)) return false;

  std::set<int> dim_ids;
  std::set<std::string> symbols;
  for (Dimension& d : m.dimensions) {
    d.symbol = ToLower(d.symbol);
    if (d.id < 0 || !dim_ids.insert(d.id).second) {
      *reason = "dimension id " + std::to_string(d.id) + " is negative or used twice";
      return false;
    }
    if (!IsRelationName(d.symbol) || CharCount(d.symbol) > kNameMax ||
        !symbols.insert(d.symbol).second) {
      *reason = "dimension symbol \"" + d.symbol + "\" is invalid or used twice";
      return false;
    }
    if (!std::isfinite(d.value) || !std::isfinite(d.upper) || !std::isfinite(d.lower)) {
      *reason = "dimension " + d.symbol + " has a value that is not a number";
      return false;
    }
  }
  std::set<int> feat_ids;
  std::set<std::string> feat_names;
  for (Feature& f : m.features) {
    const std::string where = "feature " + std::to_string(f.id);
    if (f.id < 0 || !feat_ids.insert(f.id).second) {
      *reason = where + ": id negative or used twice";
      return false;
    }
    f.name = ToUpper(f.name);
    if (!base::IsValidUtf8(f.name) || CharCount(f.name) > kNameMax) {
      *reason = where + ": name longer than 31 characters";
      return false;
    }
    if (!f.name.empty() && !feat_names.insert(f.name).second) {
      *reason = where + ": name " + f.name + " used twice";
      return false;
    }
    if (f.type_name.empty()) f.type_name = DefaultFeatureTypeName(f.type);
    if (f.type == PRO_FEAT_COMPONENT) {
      if (m.type != PRO_MDL_ASSEMBLY) {
        *reason = where + ": components belong to assemblies";
        return false;
      }
      f.comp_name = ToUpper(f.comp_name);
      if (f.comp_name.empty() || !IsSolidType(f.comp_type)) {
        *reason = where + ": a component names a part or an assembly";
        return false;
      }
    } else {
      f.comp_name.clear();
      f.comp_type = 0;
    }
    std::set<int> own;
    for (int id : f.dims) {
      if (!dim_ids.count(id) || !own.insert(id).second) {
        *reason = where + ": dimension id " + std::to_string(id) + " unknown or listed twice";
        return false;
      }
    }
    if (!NormaliseParams(f.params, where, reason)) return false;
  }
  int bad = 0;
  std::string why;
  if (m.relations && !CheckRelationLines(*m.relations, &bad, &why)) {
    *reason = "model relations, " + why;
    return false;
  }
  for (const Feature& f : m.features) {
    if (f.relations && !CheckRelationLines(*f.relations, &bad, &why)) {
      *reason = "relations of feature " + std::to_string(f.id) + ", " + why;
      return false;
    }
  }
  MarkDrivenDimensions(m);
  return true;
}

ProError Store::Adopt(Model model, int* mdl) {
  std::string why;
  if (!Normalise(model, &why)) {
    last_error_ = why;
    return PRO_TK_INVALID_FILE;
  }
  if (FindByName(model.name, model.type)) return PRO_TK_E_FOUND;
  if (model.dir.empty()) model.dir = options_.working_dir;
  model.handle = next_handle_++;
  const int h = model.handle;
  by_name_[{model.type, model.name}] = h;
  models_.emplace(h, std::move(model));
  order_.push_back(h);
  if (mdl) *mdl = h;
  return PRO_TK_NO_ERROR;
}

// ---- Models -------------------------------------------------------------------------

ProError Store::Load(const std::string& path, int type, int* mdl, bool explicit_load) {
  last_error_.clear();
  if (path.empty() || !mdl) return PRO_TK_BAD_INPUTS;
  ModelPath mp;
  if (!SplitModelPath(path, &mp)) {
    last_error_ = path + ": not a model name";
    return PRO_TK_BAD_INPUTS;
  }
  if (mp.type < 0) {
    if (!IsModelType(type)) return PRO_TK_BAD_INPUTS;
    mp.type = type;
  } else if (type != PRO_MDL_UNUSED && type != mp.type) {
    last_error_ = path + ": the extension names another type";
    return PRO_TK_BAD_INPUTS;
  }
  if (CharCount(mp.name) > kNameMax) return PRO_TK_INVALID_NAME;
  if (int h = FindByName(mp.name, mp.type)) {
    if (explicit_load) models_.at(h).explicit_load = true;
    *mdl = h;
    return PRO_TK_NO_ERROR;
  }
  std::vector<std::string> dirs;
  if (!mp.dir.empty()) {
    dirs.push_back(AbsoluteDir(mp.dir, options_.working_dir));
  } else {
    dirs.push_back(options_.working_dir);
    for (const std::string& d : options_.search_path) dirs.push_back(d);
  }
  DirectoryVersions versions;
  std::string file;
  for (const std::string& d : dirs) {
    const int v = mp.version > 0 ? mp.version : versions.Highest(d, mp.name, mp.type);
    if (v <= 0) continue;
    const std::string f = d + ModelFileName(mp.name, mp.type, v);
    std::error_code ec;
    if (std::filesystem::exists(f, ec)) {
      file = f;
      break;
    }
  }
  if (file.empty()) {
    last_error_ = path + ": no such model file";
    return PRO_TK_E_NOT_FOUND;
  }
  std::vector<Model> pending;
  std::vector<ModelRef> chain;
  const ProError err = LoadRecursive(file, &versions, &pending, &chain, 0);
  if (err != PRO_TK_NO_ERROR) return err;
  // Everything read: only now does the session change.
  pending.front().explicit_load = explicit_load;
  int top = 0;
  for (Model& m : pending) {
    m.handle = next_handle_++;
    if (!top) top = m.handle;
    const int h = m.handle;
    by_name_[{m.type, m.name}] = h;
    models_.emplace(h, std::move(m));
    order_.push_back(h);
  }
  *mdl = top;
  return PRO_TK_NO_ERROR;
}

ProError Store::LoadRecursive(const std::string& file, DirectoryVersions* versions,
                              std::vector<Model>* pending, std::vector<ModelRef>* chain,
                              int depth) {
  if (depth > kMaxLoadDepth) {
    last_error_ = file + ": assembly structure too deep (does it contain itself?)";
    return PRO_TK_INVALID_FILE;
  }
  Model m;
  std::string why;
  ProError err = ReadModelFile(file, &m, &why);
  if (err != PRO_TK_NO_ERROR) {
    last_error_ = why;
    return err;
  }
  if (!Normalise(m, &why)) {
    last_error_ = file + ": " + why;
    return PRO_TK_INVALID_FILE;
  }
  m.modified = false;
  const std::vector<ModelRef> deps = DirectDeps(m);
  const std::string own_dir = m.dir;
  chain->push_back(ModelRef{m.name, m.type});
  pending->push_back(std::move(m));
  for (const ModelRef& r : deps) {
    if (std::find(chain->begin(), chain->end(), r) != chain->end()) {
      last_error_ = file + ": uses " + ModelFileName(r.name, r.type, 0) + ", which contains it";
      return PRO_TK_INVALID_FILE;
    }
    if (FindByName(r.name, r.type)) continue;
    bool have = false;
    for (const Model& p : *pending) have = have || (p.name == r.name && p.type == r.type);
    if (have) continue;
    std::vector<std::string> dirs{own_dir, options_.working_dir};
    dirs.insert(dirs.end(), options_.search_path.begin(), options_.search_path.end());
    std::string found;
    for (const std::string& d : dirs) {
      const int v = versions->Highest(d, r.name, r.type);
      if (v > 0) {
        found = d + ModelFileName(r.name, r.type, v);
        break;
      }
    }
    if (found.empty()) {
      last_error_ = file + ": uses " + ModelFileName(r.name, r.type, 0) + ", which is not found";
      return PRO_TK_E_NOT_FOUND;
    }
    err = LoadRecursive(found, versions, pending, chain, depth + 1);
    if (err != PRO_TK_NO_ERROR) return err;
  }
  chain->pop_back();
  return PRO_TK_NO_ERROR;
}

ProError Store::Create(const std::string& name, int type, int* mdl) {
  if (!mdl || !IsModelType(type)) return PRO_TK_BAD_INPUTS;
  if (CharCount(name) > kNameMax) return PRO_TK_LINE_TOO_LONG;
  if (!IsItemName(name)) return PRO_TK_INVALID_NAME;
  if (FindByName(name, type)) return PRO_TK_E_FOUND;
  Model m;
  m.name = ToUpper(name);
  m.type = type;
  m.dir = options_.working_dir;
  m.version = 0;
  m.modified = true;
  m.explicit_load = true;
  return Adopt(std::move(m), mdl);
}

ProError Store::Save(int mdl, int* new_version) {
  last_error_.clear();
  Model* m = FindMut(mdl);
  if (!m) return PRO_TK_BAD_INPUTS;
  const std::string dir = m->dir.empty() ? options_.working_dir : m->dir;
  // A version written by someone else since we looked is never replaced: take
  // the next number instead.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const int v = HighestVersion(dir, m->name, m->type) + 1;
    const std::string file = dir + ModelFileName(m->name, m->type, v);
    const ProError err = WriteModelFile(file, *m);
    if (err == PRO_TK_E_FOUND) continue;
    if (err != PRO_TK_NO_ERROR) {
      last_error_ = file + ": cannot be written";
      return PRO_TK_CANT_WRITE;
    }
    m->dir = dir;
    m->version = v;
    m->modified = false;
    if (new_version) *new_version = v;
    return PRO_TK_NO_ERROR;
  }
  last_error_ = dir + ": no free version number";
  return PRO_TK_CANT_WRITE;
}

bool Store::UsedByOthers(int mdl, const std::vector<int>& erased) const {
  const Model& target = models_.at(mdl);
  const ModelRef ref{target.name, target.type};
  for (int h : order_) {
    if (std::find(erased.begin(), erased.end(), h) != erased.end()) continue;
    const std::vector<ModelRef> deps = DirectDeps(models_.at(h));
    if (std::find(deps.begin(), deps.end(), ref) != deps.end()) return true;
  }
  return false;
}

ProError Store::Erase(int mdl, std::vector<int>* erased) {
  if (!Find(mdl)) return PRO_TK_BAD_INPUTS;
  std::vector<int> set{mdl};
  if (UsedByOthers(mdl, set)) return PRO_TK_E_IN_USE;
  // Add every used model whose users are all being erased, until nothing changes.
  for (bool grew = true; grew;) {
    grew = false;
    for (size_t k = 0; k < set.size(); ++k) {
      for (const ModelRef& r : DirectDeps(models_.at(set[k]))) {
        const int h = FindByName(r.name, r.type);
        if (!h || std::find(set.begin(), set.end(), h) != set.end()) continue;
        if (!UsedByOthers(h, set)) {
          set.push_back(h);
          grew = true;
        }
      }
    }
  }
  for (int h : set) {
    const Model& m = models_.at(h);
    by_name_.erase({m.type, m.name});
    models_.erase(h);
    indexes_.erase(h);
    order_.erase(std::remove(order_.begin(), order_.end(), h), order_.end());
  }
  if (erased) *erased = set;
  return PRO_TK_NO_ERROR;
}

ProError Store::Init(const std::string& name, int type, int* mdl) const {
  if (name.empty() || !IsModelType(type) || !mdl) return PRO_TK_BAD_INPUTS;
  const int h = FindByName(name, type);
  if (!h) return PRO_TK_E_NOT_FOUND;
  *mdl = h;
  return PRO_TK_NO_ERROR;
}

ProError Store::TypeGet(int mdl, int* type) const {
  const Model* m = Find(mdl);
  if (!m || !type) return PRO_TK_BAD_INPUTS;
  *type = m->type;
  return PRO_TK_NO_ERROR;
}

ProError Store::DataGet(int mdl, ModelData* data) const {
  const Model* m = Find(mdl);
  if (!m || !data) return PRO_TK_BAD_INPUTS;
  ModelData d;
  d.name = m->name;
  d.type = ModelTypeText(m->type);
  d.path = DirWithSlash(m->dir.empty() ? options_.working_dir : m->dir);
  d.version = m->version;
  d.subclass = m->subtype;
  *data = std::move(d);
  return PRO_TK_NO_ERROR;
}

ProError Store::FullFileName(int mdl, std::string* path) const {
  const Model* m = Find(mdl);
  if (!m || !path) return PRO_TK_BAD_INPUTS;
  *path = DirWithSlash(m->dir.empty() ? options_.working_dir : m->dir) +
          ModelFileName(m->name, m->type, m->version);
  return PRO_TK_NO_ERROR;
}

ProError Store::Dependencies(int mdl, std::vector<ModelRef>* deps) const {
  const Model* m = Find(mdl);
  if (!m || !deps) return PRO_TK_BAD_INPUTS;
  *deps = DirectDeps(*m);
  return PRO_TK_NO_ERROR;
}

ProError Store::SessionModels(int type, std::vector<int>* mdls) const {
  if (!IsModelType(type) || !mdls) return PRO_TK_BAD_INPUTS;
  std::vector<int> out;
  for (int h : order_)
    if (models_.at(h).type == type) out.push_back(h);
  if (out.empty()) return PRO_TK_E_NOT_FOUND;
  *mdls = std::move(out);
  return PRO_TK_NO_ERROR;
}

std::vector<int> Store::AllModels() const { return order_; }

ProError Store::DrawingSolids(int mdl, std::vector<int>* solids) const {
  const Model* m = Find(mdl);
  if (!m || !solids || m->type != PRO_MDL_DRAWING) return PRO_TK_BAD_INPUTS;
  std::vector<int> out;
  for (const ModelRef& r : m->solids)
    if (int h = FindByName(r.name, r.type)) out.push_back(h);
  if (out.empty()) return PRO_TK_E_NOT_FOUND;
  *solids = std::move(out);
  return PRO_TK_NO_ERROR;
}

ProError Store::ModelToItem(int mdl, Item* item) const {
  const Model* m = Find(mdl);
  if (!m || !item) return PRO_TK_BAD_INPUTS;
  *item = Item{m->type, mdl, mdl};
  return PRO_TK_NO_ERROR;
}

// ---- Components -------------------------------------------------------------------

ProError Store::AsmcompMdlGet(const Item& comp, int* mdl) const {
  const Feature* f = nullptr;
  if (GetFeature(comp, &f) != PRO_TK_NO_ERROR || f->type != PRO_FEAT_COMPONENT || !mdl)
    return PRO_TK_BAD_INPUTS;
  const int h = FindByName(f->comp_name, f->comp_type);
  if (!h) return PRO_TK_E_NOT_FOUND;
  *mdl = h;
  return PRO_TK_NO_ERROR;
}

ProError Store::AsmcompMdlNameGet(const Item& comp, int* type, std::string* name) const {
  const Feature* f = nullptr;
  if (GetFeature(comp, &f) != PRO_TK_NO_ERROR || f->type != PRO_FEAT_COMPONENT || !type || !name)
    return PRO_TK_BAD_INPUTS;
  *type = f->comp_type;
  *name = f->comp_name;
  return PRO_TK_NO_ERROR;
}

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

// ---- Regeneration -----------------------------------------------------------------------

ProError Store::Regenerate(int mdl, int /*flags*/, std::string* error) {
  last_error_.clear();
  const Model* top = Find(mdl);
  if (!top || !IsSolidType(top->type)) return PRO_TK_BAD_INPUTS;
  // Models used by an assembly first (depth first, each once), the model last.
  std::vector<int> order;
  std::set<int> seen;
  std::function<void(int)> visit = [&](int h) {
    if (!seen.insert(h).second) return;
    const Model& m = models_.at(h);
    for (const Feature& f : m.features) {
      if (f.type != PRO_FEAT_COMPONENT || !FeatureIsActive(f)) continue;
      if (int c = FindByName(f.comp_name, f.comp_type)) visit(c);
    }
    order.push_back(h);
  };
  visit(mdl);
  std::vector<Model> results;
  for (int h : order) {
    Model copy = models_.at(h);
    std::string why;
    if (!RegenerateModel(copy, &why)) {
      last_error_ = why;
      if (error) *error = why;
      return PRO_TK_GENERAL_ERROR;
    }
    results.push_back(std::move(copy));
  }
  for (size_t k = 0; k < order.size(); ++k) {
    Model& live = models_.at(order[k]);
    if (!(live == results[k]) || live.dimensions != results[k].dimensions) {
      results[k].modified = true;
      live = std::move(results[k]);
    }
  }
  return PRO_TK_NO_ERROR;
}

}  // namespace sim
