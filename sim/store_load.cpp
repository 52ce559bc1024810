#include <ProFeatType.h>
#include <ProObjects.h>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

#include "base/utf.h"
#include "sim/model_file.h"
#include "sim/regenerate.h"
#include "sim/store.h"
#include "sim/store_rules.h"

namespace sim {

namespace {

constexpr int kMaxLoadDepth = 64;  // deeper assembly trees are taken to be cyclic

// The model's own fields: type, name, subtype, and what a drawing shows.
bool NormaliseModelFields(Model& m, std::string* reason) {
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
  return true;
}

// Ids unique and not negative, symbols valid and unique, numbers finite; the ids
// go to *ids.
bool NormaliseDimensions(std::vector<Dimension>& dims, std::set<int>* ids, std::string* reason) {
  std::set<std::string> symbols;
  for (Dimension& d : dims) {
    d.symbol = ToLower(d.symbol);
    if (d.id < 0 || !ids->insert(d.id).second) {
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
  return true;
}

// Ids and names met so far among a model's features.
struct FeatureNames {
  std::set<int> ids;
  std::set<std::string> names;
};

// Components only in assemblies, naming a solid.
bool NormaliseComponent(Feature& f, int model_type, const std::string& where, std::string* reason) {
  if (f.type != PRO_FEAT_COMPONENT) {
    f.comp_name.clear();
    f.comp_type = 0;
    return true;
  }
  if (model_type != PRO_MDL_ASSEMBLY) {
    *reason = where + ": components belong to assemblies";
    return false;
  }
  f.comp_name = ToUpper(f.comp_name);
  if (f.comp_name.empty() || !IsSolidType(f.comp_type)) {
    *reason = where + ": a component names a part or an assembly";
    return false;
  }
  return true;
}

bool NormaliseFeature(Feature& f, int model_type, const std::set<int>& dim_ids, FeatureNames* seen,
                      std::string* reason) {
  const std::string where = "feature " + std::to_string(f.id);
  if (f.id < 0 || !seen->ids.insert(f.id).second) {
    *reason = where + ": id negative or used twice";
    return false;
  }
  f.name = ToUpper(f.name);
  if (!base::IsValidUtf8(f.name) || CharCount(f.name) > kNameMax) {
    *reason = where + ": name longer than 31 characters";
    return false;
  }
  if (!f.name.empty() && !seen->names.insert(f.name).second) {
    *reason = where + ": name " + f.name + " used twice";
    return false;
  }
  if (f.type_name.empty()) f.type_name = DefaultFeatureTypeName(f.type);
  if (!NormaliseComponent(f, model_type, where, reason)) return false;
  std::set<int> own;
  for (int id : f.dims) {
    if (!dim_ids.count(id) || !own.insert(id).second) {
      *reason = where + ": dimension id " + std::to_string(id) + " unknown or listed twice";
      return false;
    }
  }
  return NormaliseParams(f.params, where, reason);
}

bool CheckRelations(const Model& m, std::string* reason) {
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
  return true;
}

// The file of `mp`: in its own directory, or else in the working directory and
// then the search path; the highest version there unless it names one. Empty
// when there is none.
std::string FindModelFile(const ModelPath& mp, const StoreOptions& options,
                          DirectoryVersions* versions) {
  std::vector<std::string> dirs;
  if (!mp.dir.empty()) {
    dirs.push_back(AbsoluteDir(mp.dir, options.working_dir));
  } else {
    dirs.push_back(options.working_dir);
    for (const std::string& d : options.search_path) dirs.push_back(d);
  }
  for (const std::string& d : dirs) {
    const int v = mp.version > 0 ? mp.version : versions->Highest(d, mp.name, mp.type);
    if (v <= 0) continue;
    const std::string f = d + ModelFileName(mp.name, mp.type, v);
    std::error_code ec;
    if (std::filesystem::exists(f, ec)) return f;
  }
  return std::string();
}

}  // namespace

// ---- Normalisation ----------------------------------------------------------------

bool Store::Normalise(Model& m, std::string* reason) {
  std::string dummy;
  if (!reason) reason = &dummy;
  if (!NormaliseModelFields(m, reason) || !NormaliseParams(m.params, m.name, reason)) return false;
  std::set<int> dim_ids;
  if (!NormaliseDimensions(m.dimensions, &dim_ids, reason)) return false;
  FeatureNames seen;
  for (Feature& f : m.features)
    if (!NormaliseFeature(f, m.type, dim_ids, &seen, reason)) return false;
  if (!CheckRelations(m, reason)) return false;
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

// ---- Loading ------------------------------------------------------------------------

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
  DirectoryVersions versions;
  const std::string file = FindModelFile(mp, options_, &versions);
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

}  // namespace sim
