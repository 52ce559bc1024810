#include <ProFeatType.h>
#include <ProObjects.h>
#include <algorithm>
#include <cmath>
#include <utility>

#include "sim/model_file.h"
#include "sim/model_text_names.h"

namespace sim {
namespace {

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

RelationSet RelationsFromJson(const Json& arr, const std::string& where) {
  RelationSet out;
  for (size_t k = 0; k < arr.size(); ++k) {
    if (!arr[k].is_string()) throw Bad{where + "[" + std::to_string(k) + "]: a string expected"};
    out.push_back(arr[k].get<std::string>());
  }
  return out;
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

// One feature at `w`. Its own dimensions go to *dims, each listed in the feature
// by an index marker (-2 - index) that AssignIds turns into the id; the ids of
// dimensions it only shows go to *shown.
Feature FeatureFromJson(const Json& jf, const std::string& w, std::vector<Dimension>* dims,
                        std::vector<int>* shown) {
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
      f.dims.push_back(dim.id);
      dims->push_back(std::move(dim));
      f.dims.back() = -2 - static_cast<int>(dims->size() - 1);  // index marker
    }
  }
  if (const Json* s = GetArray(jf, "shown_dimensions", w)) {
    for (size_t q = 0; q < s->size(); ++q) {
      if (!(*s)[q].is_number_integer()) throw Bad{w + ".shown_dimensions: integers expected"};
      shown->push_back((*s)[q].get<int>());
    }
  }
  if (const Json* p = GetArray(jf, "parameters", w))
    f.params = ParamsFromJson(*p, w + ".parameters");
  if (const Json* r = GetArray(jf, "relations", w))
    f.relations = RelationsFromJson(*r, w + ".relations");
  return f;
}

// Ids left out in the file are given the next free ones, in file order; index
// markers become ids, shown dimensions are added, symbols left out are "d<id>".
void AssignIds(Model* m, const std::vector<std::pair<size_t, std::vector<int>>>& shown) {
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
      std::vector<int> ids;
      Feature f =
          FeatureFromJson((*a)[k], "features[" + std::to_string(k) + "]", &m->dimensions, &ids);
      if (!ids.empty()) shown.emplace_back(m->features.size(), std::move(ids));
      m->features.push_back(std::move(f));
    }
  }
  AssignIds(m, shown);
}

}  // namespace

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

}  // namespace sim
