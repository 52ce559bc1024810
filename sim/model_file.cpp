#include "sim/model_file.h"

#include <ProDimension.h>
#include <ProFeatType.h>
#include <ProFeature.h>
#include <ProObjects.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include <nlohmann/json.hpp>

namespace sim {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

constexpr const char* kFormat = "tavproe-model";
constexpr int kFormatVersion = 1;

struct Named {
  int value;
  const char* name;
};

const Named kStatusNames[] = {
    {PRO_FEAT_ACTIVE, "active"},
    {PRO_FEAT_INACTIVE, "inactive"},
    {PRO_FEAT_FAMTAB_SUPPRESSED, "famtab_suppressed"},
    {PRO_FEAT_SIMP_REP_SUPPRESSED, "simp_rep_suppressed"},
    {PRO_FEAT_PROG_SUPPRESSED, "prog_suppressed"},
    {PRO_FEAT_SUPPRESSED, "suppressed"},
    {6, "unregenerated"},
};
const Named kDimTypeNames[] = {
    {PRODIMTYPE_LINEAR, "linear"},     {PRODIMTYPE_RADIUS, "radius"},
    {PRODIMTYPE_DIAMETER, "diameter"}, {PRODIMTYPE_ANGLE, "angle"},
    {PRODIMTYPE_UNKNOWN, "unknown"},   {72, "arc_length"},
};
const Named kTolTypeNames[] = {
    {PRO_TOL_DEFAULT, "nominal"},
    {PRO_TOL_PLUS_MINUS, "plus_minus"},
    {PRO_TOL_LIMITS, "limits"},
    {PRO_TOL_PLUS_MINUS_SYM, "plus_minus_sym"},
};
const Named kParamTypeNames[] = {
    {PRO_PARAM_DOUBLE, "double"},   {PRO_PARAM_STRING, "string"},   {PRO_PARAM_INTEGER, "integer"},
    {PRO_PARAM_BOOLEAN, "boolean"}, {PRO_PARAM_NOTE_ID, "note_id"},
};

template <size_t N>
Json NameOf(const Named (&table)[N], int value) {
  for (const Named& n : table)
    if (n.value == value) return n.name;
  return value;
}

// Reading: every problem throws Bad with a path-like reason.
struct Bad {
  std::string why;
};

template <size_t N>
int EnumOf(const Named (&table)[N], const Json& j, const std::string& where) {
  if (j.is_number_integer()) return j.get<int>();
  if (j.is_string()) {
    const std::string s = ToLower(j.get<std::string>());
    for (const Named& n : table)
      if (s == n.name) return n.value;
    throw Bad{where + ": unknown value \"" + j.get<std::string>() + "\""};
  }
  throw Bad{where + ": a name or a number expected"};
}

const Json* Member(const Json& obj, const char* key) {
  auto it = obj.find(key);
  return it == obj.end() || it->is_null() ? nullptr : &*it;
}

int GetInt(const Json& obj, const char* key, int def, const std::string& where) {
  const Json* j = Member(obj, key);
  if (!j) return def;
  if (!j->is_number_integer()) throw Bad{where + "." + key + ": an integer expected"};
  const auto v = j->get<long long>();
  if (v < -2147483647LL || v > 2147483647LL) throw Bad{where + "." + key + ": out of range"};
  return static_cast<int>(v);
}

double GetDouble(const Json& obj, const char* key, double def, const std::string& where) {
  const Json* j = Member(obj, key);
  if (!j) return def;
  if (!j->is_number()) throw Bad{where + "." + key + ": a number expected"};
  const double v = j->get<double>();
  if (!std::isfinite(v)) throw Bad{where + "." + key + ": not a finite number"};
  return v;
}

bool GetBool(const Json& obj, const char* key, bool def, const std::string& where) {
  const Json* j = Member(obj, key);
  if (!j) return def;
  if (j->is_boolean()) return j->get<bool>();
  if (j->is_number_integer()) return j->get<long long>() != 0;
  throw Bad{where + "." + key + ": true or false expected"};
}

std::string GetString(const Json& obj, const char* key, const std::string& def,
                      const std::string& where) {
  const Json* j = Member(obj, key);
  if (!j) return def;
  if (!j->is_string()) throw Bad{where + "." + key + ": a string expected"};
  return j->get<std::string>();
}

const Json* GetArray(const Json& obj, const char* key, const std::string& where) {
  const Json* j = Member(obj, key);
  if (!j) return nullptr;
  if (!j->is_array()) throw Bad{where + "." + key + ": a list expected"};
  return j;
}

Json ParamsToJson(const std::vector<Parameter>& params) {
  Json arr = Json::array();
  for (const Parameter& p : params) {
    Json j;
    j["name"] = p.name;
    j["type"] = NameOf(kParamTypeNames, p.value.type);
    switch (p.value.type) {
      case PRO_PARAM_DOUBLE:
        j["value"] = p.value.d;
        break;
      case PRO_PARAM_STRING:
        j["value"] = p.value.s;
        break;
      case PRO_PARAM_BOOLEAN:
        j["value"] = p.value.i != 0;
        break;
      default:
        j["value"] = p.value.i;
        break;
    }
    if (!p.units.empty()) j["units"] = p.units;
    if (!p.description.empty()) j["description"] = p.description;
    arr.push_back(std::move(j));
  }
  return arr;
}

std::vector<Parameter> ParamsFromJson(const Json& arr, const std::string& where) {
  std::vector<Parameter> out;
  for (size_t k = 0; k < arr.size(); ++k) {
    const std::string w = where + "[" + std::to_string(k) + "]";
    const Json& j = arr[k];
    if (!j.is_object()) throw Bad{w + ": an object expected"};
    Parameter p;
    p.name = GetString(j, "name", "", w);
    const Json* type = Member(j, "type");
    const Json* value = Member(j, "value");
    if (!value) throw Bad{w + ".value: missing"};
    int t;
    if (type) {
      t = EnumOf(kParamTypeNames, *type, w + ".type");
    } else if (value->is_string()) {
      t = PRO_PARAM_STRING;
    } else if (value->is_boolean()) {
      t = PRO_PARAM_BOOLEAN;
    } else if (value->is_number_integer()) {
      t = PRO_PARAM_INTEGER;
    } else {
      t = PRO_PARAM_DOUBLE;
    }
    p.value.type = t;
    switch (t) {
      case PRO_PARAM_DOUBLE:
        p.value.d = GetDouble(j, "value", 0, w);
        break;
      case PRO_PARAM_STRING:
        p.value.s = GetString(j, "value", "", w);
        break;
      case PRO_PARAM_BOOLEAN:
        p.value.i = GetBool(j, "value", false, w) ? 1 : 0;
        break;
      case PRO_PARAM_INTEGER:
      case PRO_PARAM_NOTE_ID:
        p.value.i = GetInt(j, "value", 0, w);
        break;
      default:
        throw Bad{w + ".type: not a parameter value type"};
    }
    p.units = GetString(j, "units", "", w);
    p.description = GetString(j, "description", "", w);
    out.push_back(std::move(p));
  }
  return out;
}

Json RelationsToJson(const RelationSet& lines) {
  Json arr = Json::array();
  for (const std::string& l : lines) arr.push_back(l);
  return arr;
}

RelationSet RelationsFromJson(const Json& arr, const std::string& where) {
  RelationSet out;
  for (size_t k = 0; k < arr.size(); ++k) {
    if (!arr[k].is_string()) throw Bad{where + "[" + std::to_string(k) + "]: a string expected"};
    out.push_back(arr[k].get<std::string>());
  }
  return out;
}

Json DimensionToJson(const Dimension& d) {
  Json j;
  j["id"] = d.id;
  j["symbol"] = d.symbol;
  j["value"] = d.value;
  j["type"] = NameOf(kDimTypeNames, d.dim_type);
  if (d.tol_type != PRO_TOL_DEFAULT || d.upper != 0.0 || d.lower != 0.0) {
    Json t;
    t["type"] = NameOf(kTolTypeNames, d.tol_type);
    t["upper"] = d.upper;
    t["lower"] = d.lower;
    j["tolerance"] = std::move(t);
  }
  if (d.reference) j["reference"] = true;
  return j;
}

Dimension DimensionFromJson(const Json& j, const std::string& w) {
  if (!j.is_object()) throw Bad{w + ": an object expected"};
  Dimension d;
  d.id = GetInt(j, "id", -1, w);
  d.symbol = GetString(j, "symbol", "", w);
  d.value = GetDouble(j, "value", 0.0, w);
  if (const Json* t = Member(j, "type")) d.dim_type = EnumOf(kDimTypeNames, *t, w + ".type");
  if (const Json* tol = Member(j, "tolerance")) {
    if (!tol->is_object()) throw Bad{w + ".tolerance: an object expected"};
    const std::string tw = w + ".tolerance";
    d.tol_type = PRO_TOL_PLUS_MINUS;
    if (const Json* t = Member(*tol, "type")) d.tol_type = EnumOf(kTolTypeNames, *t, tw + ".type");
    d.upper = GetDouble(*tol, "upper", 0.0, tw);
    d.lower = GetDouble(*tol, "lower", 0.0, tw);
  }
  d.reference = GetBool(j, "reference", false, w);
  return d;
}

Json ToJson(const Model& m) {
  Json j;
  j["format"] = kFormat;
  j["format_version"] = kFormatVersion;
  j["name"] = m.name;
  j["type"] = ModelTypeText(m.type);
  if (m.subtype != DefaultModelSubtype(m.type)) j["subtype"] = m.subtype;
  if (!m.params.empty()) j["parameters"] = ParamsToJson(m.params);
  if (m.relations) j["relations"] = RelationsToJson(*m.relations);
  if (m.type == PRO_MDL_DRAWING) {
    Json solids = Json::array();
    for (const ModelRef& r : m.solids)
      solids.push_back({{"name", r.name}, {"type", ModelTypeText(r.type)}});
    j["solids"] = std::move(solids);
  }
  // Each dimension is written under the first feature that reports it; later
  // features refer to it by id. Looked up by id: walks made saving a large model
  // quadratic in its dimensions.
  std::unordered_map<int, const Dimension*> by_id;
  for (const Dimension& d : m.dimensions) by_id.emplace(d.id, &d);
  std::unordered_set<int> written;
  Json feats = Json::array();
  for (const Feature& f : m.features) {
    Json jf;
    jf["id"] = f.id;
    if (!f.name.empty()) jf["name"] = f.name;
    jf["type"] = f.type;
    jf["type_name"] = f.type_name;
    if (!f.subtype.empty()) jf["subtype"] = f.subtype;
    jf["status"] = NameOf(kStatusNames, f.status);
    if (f.failed) jf["failed"] = true;
    if (f.ncseq) jf["ncseq"] = true;
    if (f.incomplete) jf["incomplete"] = true;
    if (f.read_only) jf["read_only"] = true;
    if (f.pattern_status != 0) jf["pattern_status"] = f.pattern_status;
    if (f.group_status != 0) jf["group_status"] = f.group_status;
    if (f.grppattern_status != 0) jf["grppattern_status"] = f.grppattern_status;
    if (!f.visible) jf["visible"] = false;
    if (f.type == PRO_FEAT_COMPONENT)
      jf["component"] = {{"name", f.comp_name}, {"type", ModelTypeText(f.comp_type)}};
    Json dims = Json::array();
    Json shown = Json::array();
    for (int id : f.dims) {
      if (!written.insert(id).second) {
        shown.push_back(id);
        continue;
      }
      const auto d = by_id.find(id);
      if (d != by_id.end()) dims.push_back(DimensionToJson(*d->second));
    }
    if (!dims.empty()) jf["dimensions"] = std::move(dims);
    if (!shown.empty()) jf["shown_dimensions"] = std::move(shown);
    if (!f.params.empty()) jf["parameters"] = ParamsToJson(f.params);
    if (f.relations) jf["relations"] = RelationsToJson(*f.relations);
    feats.push_back(std::move(jf));
  }
  j["features"] = std::move(feats);
  // Dimensions no feature reports (rare; kept so nothing is lost).
  Json loose = Json::array();
  for (const Dimension& d : m.dimensions)
    if (!written.count(d.id)) loose.push_back(DimensionToJson(d));
  if (!loose.empty()) j["dimensions"] = std::move(loose);
  return j;
}

ModelRef RefFromJson(const Json& j, const std::string& w) {
  if (!j.is_object()) throw Bad{w + ": an object expected"};
  ModelRef r;
  r.name = GetString(j, "name", "", w);
  const std::string t = GetString(j, "type", "", w);
  r.type = ModelTypeFromText(t);
  if (r.name.empty()) throw Bad{w + ".name: missing"};
  if (r.type < 0) throw Bad{w + ".type: PRT, ASM or DRW expected"};
  return r;
}

void FromJson(const Json& j, Model* m) {
  if (!j.is_object()) throw Bad{"the file is not a JSON object"};
  if (GetString(j, "format", "", "") != kFormat)
    throw Bad{"not a model file (\"format\" is not \"tavproe-model\")"};
  const int fv = GetInt(j, "format_version", kFormatVersion, "");
  if (fv != kFormatVersion) throw Bad{"format_version " + std::to_string(fv) + " is not supported"};
  if (const Json* n = Member(j, "name")) {
    if (!n->is_string()) throw Bad{"name: a string expected"};
    m->name = n->get<std::string>();
  }
  if (const Json* t = Member(j, "type")) {
    if (!t->is_string() || ModelTypeFromText(t->get<std::string>()) < 0)
      throw Bad{"type: PRT, ASM or DRW expected"};
    m->type = ModelTypeFromText(t->get<std::string>());
  }
  m->subtype = GetInt(j, "subtype", DefaultModelSubtype(m->type), "");
  if (const Json* a = GetArray(j, "parameters", "")) m->params = ParamsFromJson(*a, "parameters");
  if (const Json* a = GetArray(j, "relations", ""))
    m->relations = RelationsFromJson(*a, "relations");
  if (const Json* a = GetArray(j, "solids", "")) {
    for (size_t k = 0; k < a->size(); ++k)
      m->solids.push_back(RefFromJson((*a)[k], "solids[" + std::to_string(k) + "]"));
  }
  if (const Json* a = GetArray(j, "dimensions", "")) {
    for (size_t k = 0; k < a->size(); ++k)
      m->dimensions.push_back(DimensionFromJson((*a)[k], "dimensions[" + std::to_string(k) + "]"));
  }
  std::vector<std::pair<size_t, std::vector<int>>> shown;  // feature index, ids
  if (const Json* a = GetArray(j, "features", "")) {
    for (size_t k = 0; k < a->size(); ++k) {
      const std::string w = "features[" + std::to_string(k) + "]";
      const Json& jf = (*a)[k];
      if (!jf.is_object()) throw Bad{w + ": an object expected"};
      Feature f;
      f.id = GetInt(jf, "id", -1, w);
      f.name = GetString(jf, "name", "", w);
      f.type = GetInt(jf, "type", PRO_FEAT_PROTRUSION, w);
      f.type_name = GetString(jf, "type_name", DefaultFeatureTypeName(f.type), w);
      f.subtype = GetString(jf, "subtype", "", w);
      if (const Json* s = Member(jf, "status")) f.status = EnumOf(kStatusNames, *s, w + ".status");
      f.failed = GetBool(jf, "failed", false, w);
      f.ncseq = GetBool(jf, "ncseq", false, w);
      f.incomplete = GetBool(jf, "incomplete", false, w);
      f.read_only = GetBool(jf, "read_only", false, w);
      f.pattern_status = GetInt(jf, "pattern_status", 0, w);
      f.group_status = GetInt(jf, "group_status", 0, w);
      f.grppattern_status = GetInt(jf, "grppattern_status", 0, w);
      f.visible = GetBool(jf, "visible", true, w);
      if (const Json* c = Member(jf, "component")) {
        const ModelRef r = RefFromJson(*c, w + ".component");
        f.comp_name = r.name;
        f.comp_type = r.type;
      } else if (f.type == PRO_FEAT_COMPONENT) {
        throw Bad{w + ".component: a component feature names its model"};
      }
      if (const Json* d = GetArray(jf, "dimensions", w)) {
        for (size_t q = 0; q < d->size(); ++q) {
          Dimension dim = DimensionFromJson((*d)[q], w + ".dimensions[" + std::to_string(q) + "]");
          f.dims.push_back(dim.id);  // -1 (no id) is fixed up below
          m->dimensions.push_back(std::move(dim));
          f.dims.back() = -2 - static_cast<int>(m->dimensions.size() - 1);  // index marker
        }
      }
      if (const Json* s = GetArray(jf, "shown_dimensions", w)) {
        std::vector<int> ids;
        for (size_t q = 0; q < s->size(); ++q) {
          if (!(*s)[q].is_number_integer()) throw Bad{w + ".shown_dimensions: integers expected"};
          ids.push_back((*s)[q].get<int>());
        }
        shown.emplace_back(m->features.size(), std::move(ids));
      }
      if (const Json* p = GetArray(jf, "parameters", w))
        f.params = ParamsFromJson(*p, w + ".parameters");
      if (const Json* r = GetArray(jf, "relations", w))
        f.relations = RelationsFromJson(*r, w + ".relations");
      m->features.push_back(std::move(f));
    }
  }
  // Ids left out in the file are given the next free ones, in file order.
  int next_dim = 0, next_feat = 1;
  for (const Dimension& d : m->dimensions) next_dim = std::max(next_dim, d.id + 1);
  for (const Feature& f : m->features) next_feat = std::max(next_feat, f.id + 1);
  for (Dimension& d : m->dimensions)
    if (d.id < 0) d.id = next_dim++;
  for (Feature& f : m->features) {
    if (f.id < 0) f.id = next_feat++;
    for (int& id : f.dims)
      if (id <= -2) id = m->dimensions[static_cast<size_t>(-2 - id)].id;
  }
  for (const auto& [index, ids] : shown)
    for (int id : ids) m->features[index].dims.push_back(id);
  for (Dimension& d : m->dimensions)
    if (d.symbol.empty()) d.symbol = "d" + std::to_string(d.id);
}

}  // namespace

bool SplitModelPath(const std::string& path, ModelPath* out) {
  ModelPath p;
  const size_t slash = path.rfind('/');
  std::string base = path;
  if (slash != std::string::npos) {
    p.dir = path.substr(0, slash + 1);
    base = path.substr(slash + 1);
  }
  if (base.empty()) return false;
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t dot = base.find('.', start);
    parts.push_back(base.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  if (parts.size() > 3 || parts[0].empty()) return false;
  p.name = parts[0];
  if (parts.size() >= 2) {
    p.type = ModelTypeFromText(parts[1]);
    if (p.type < 0) return false;
  }
  if (parts.size() == 3) {
    const std::string& v = parts[2];
    if (v.empty() || v.size() > 9) return false;
    for (char c : v)
      if (c < '0' || c > '9') return false;
    p.version = std::stoi(v);
    if (p.version <= 0) return false;
  }
  *out = std::move(p);
  return true;
}

std::string ModelFileName(const std::string& name, int type, int version) {
  std::string f = ToLower(name) + "." + ToLower(ModelTypeText(type));
  if (version > 0) f += "." + std::to_string(version);
  return f;
}

namespace {

// Calls `found(name.ext, version)` for every versioned file name in `dir`.
template <class F>
void ListVersions(const std::string& dir, F found) {
  std::error_code ec;
  fs::directory_iterator it(dir.empty() ? "." : dir, ec);
  if (ec) return;
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    const std::string f = it->path().filename().string();
    const std::size_t dot = f.rfind('.');
    if (dot == std::string::npos || dot == 0) continue;
    const std::string v = f.substr(dot + 1);
    if (v.empty() || v.size() > 9 || v.find_first_not_of("0123456789") != std::string::npos)
      continue;
    found(f.substr(0, dot), std::stoi(v));
  }
}

}  // namespace

int HighestVersion(const std::string& dir, const std::string& name, int type) {
  const std::string wanted = ModelFileName(name, type, 0);
  int best = 0;
  ListVersions(dir, [&](const std::string& file, int version) {
    if (file == wanted) best = std::max(best, version);
  });
  return best;
}

std::map<std::string, int>& DirectoryVersions::Listing(const std::string& dir) {
  // Not a structured binding: C++17 lets no lambda capture one.
  const auto emplaced = dirs_.try_emplace(dir);
  std::map<std::string, int>& listing = emplaced.first->second;
  if (emplaced.second) {
    ListVersions(dir, [&](const std::string& file, int version) {
      int& best = listing[file];
      best = std::max(best, version);
    });
  }
  return listing;
}

int DirectoryVersions::Highest(const std::string& dir, const std::string& name, int type) {
  const std::map<std::string, int>& listing = Listing(dir);
  const auto it = listing.find(ModelFileName(name, type, 0));
  return it == listing.end() ? 0 : it->second;
}

void DirectoryVersions::Record(const std::string& dir, const std::string& name, int type,
                               int version) {
  int& best = Listing(dir)[ModelFileName(name, type, 0)];
  best = std::max(best, version);
}

std::string ModelToText(const Model& model) {
  return ToJson(model).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

bool ModelFromText(const std::string& text, Model* model, std::string* error) {
  Json j;
  try {
    j = Json::parse(text);
  } catch (const Json::parse_error& e) {
    // The byte the parser stopped at, as a person finds it in an editor.
    const std::size_t at = std::min<std::size_t>(e.byte ? e.byte - 1 : 0, text.size());
    const std::size_t line_start = at == 0 ? std::string::npos : text.rfind('\n', at - 1);
    const long line = 1 + std::count(text.begin(), text.begin() + static_cast<long>(at), '\n');
    const std::size_t column = line_start == std::string::npos ? at + 1 : at - line_start;
    if (error)
      *error =
          "not valid JSON at line " + std::to_string(line) + ", column " + std::to_string(column);
    return false;
  }
  Model m = *model;  // keeps the caller's defaults for name and type
  m.features.clear();
  m.dimensions.clear();
  m.params.clear();
  m.relations.reset();
  m.solids.clear();
  try {
    FromJson(j, &m);
  } catch (const Bad& b) {
    if (error) *error = b.why;
    return false;
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return false;
  }
  *model = std::move(m);
  return true;
}

ProError ReadModelFile(const std::string& file, Model* model, std::string* error) {
  ModelPath mp;
  if (!SplitModelPath(file, &mp) || mp.type < 0) {
    if (error) *error = file + ": not a model file name";
    return PRO_TK_INVALID_FILE;
  }
  std::error_code ec;
  if (!fs::exists(file, ec)) {
    if (error) *error = file + ": no such file";
    return PRO_TK_E_NOT_FOUND;
  }
  if (fs::is_directory(file, ec)) {
    if (error) *error = file + ": is a directory";
    return PRO_TK_CANT_OPEN;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    if (error) *error = file + ": cannot be read";
    return PRO_TK_CANT_OPEN;
  }
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) {
    if (error) *error = file + ": cannot be read";
    return PRO_TK_CANT_OPEN;
  }
  Model m;
  m.name = ToUpper(mp.name);
  m.type = mp.type;
  std::string why;
  if (!ModelFromText(ss.str(), &m, &why)) {
    if (error) *error = file + ": " + why;
    return PRO_TK_INVALID_FILE;
  }
  if (!EqualNoCase(m.name, mp.name) || m.type != mp.type) {
    if (error)
      *error = file + ": holds " + m.name + "." + ModelTypeText(m.type) +
               ", not the model its name says";
    return PRO_TK_INVALID_FILE;
  }
  m.name = ToUpper(m.name);
  m.dir = mp.dir.empty() ? "./" : mp.dir;
  m.version = mp.version;
  *model = std::move(m);
  return PRO_TK_NO_ERROR;
}

ProError WriteModelFile(const std::string& file, const Model& model) {
  const std::string text = ModelToText(model);
  std::FILE* f = std::fopen(file.c_str(), "wx");  // exclusive: never replace a version
  if (!f) return errno == EEXIST ? PRO_TK_E_FOUND : PRO_TK_CANT_WRITE;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> owner(f, &std::fclose);
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const bool closed = std::fclose(owner.release()) == 0;
  if (!ok || !closed) {
    std::remove(file.c_str());  // a half-written version must not be loaded later
    return PRO_TK_CANT_WRITE;
  }
  return PRO_TK_NO_ERROR;
}

std::string DirWithSlash(const std::string& dir) {
  if (dir.empty() || dir.back() == '/') return dir;
  return dir + "/";
}

std::string AbsoluteDir(const std::string& dir, const std::string& base) {
  if (!dir.empty() && dir[0] == '/') return DirWithSlash(dir);
  std::string d = dir;
  while (d.compare(0, 2, "./") == 0) d.erase(0, 2);
  if (d == ".") d.clear();
  return DirWithSlash(DirWithSlash(base) + d);
}

}  // namespace sim
