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
#include "sim/store_rules.h"

namespace sim {

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

// ---- Models -------------------------------------------------------------------------
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
