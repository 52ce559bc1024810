#include "sim/regenerate.h"

#include <ProFeature.h>
#include <ProParamval.h>
#include <cmath>

namespace sim {

namespace {

// What a name in a relation refers to.
struct Target {
  Parameter* param = nullptr;
  Dimension* dim = nullptr;
};

Parameter* FindParam(std::vector<Parameter>& params, const std::string& name) {
  for (Parameter& p : params)
    if (EqualNoCase(p.name, name)) return &p;
  return nullptr;
}

Dimension* FindDim(Model& m, const std::string& name) {
  const std::string lower = ToLower(name);
  for (Dimension& d : m.dimensions)
    if (d.symbol == lower) return &d;
  return nullptr;
}

Target Resolve(Model& m, Feature* scope, const std::string& name) {
  Target t;
  if (scope && (t.param = FindParam(scope->params, name))) return t;
  if ((t.dim = FindDim(m, name))) return t;
  t.param = FindParam(m.params, name);
  return t;
}

bool LooksLikeDimSymbol(const std::string& name) {
  if (name.size() < 2 || (name[0] != 'd' && name[0] != 'D')) return false;
  for (size_t k = 1; k < name.size(); ++k)
    if (name[k] < '0' || name[k] > '9') return false;
  return true;
}

// Assigns `v` to an existing parameter of whatever type it has; false with the
// reason when the value does not fit it.
bool AssignParam(Parameter& param, const RelValue& v, std::string* error) {
  ParamValue& pv = param.value;
  switch (pv.type) {
    case PRO_PARAM_DOUBLE:
      if (v.is_string) break;
      pv.d = v.num;
      return true;
    case PRO_PARAM_STRING:
      if (!v.is_string) break;
      if (CharCount(v.str) > 79) {
        *error = "string too long for " + param.name;
        return false;
      }
      pv.s = v.str;
      return true;
    case PRO_PARAM_INTEGER:
      if (v.is_string || std::fabs(v.num - std::round(v.num)) > 1e-9 ||
          std::fabs(v.num) > 2147483647.0)
        break;
      pv.i = static_cast<int>(std::lround(v.num));
      return true;
    case PRO_PARAM_BOOLEAN:
      if (v.is_string || (v.num != 0.0 && v.num != 1.0)) break;
      pv.i = v.num != 0.0 ? 1 : 0;
      return true;
    default:
      break;
  }
  *error = "wrong type of value for parameter " + param.name;
  return false;
}

bool Assign(Model& m, Feature* scope, const std::string& lhs, const RelValue& v,
            std::string* error) {
  Target t = Resolve(m, scope, lhs);
  if (t.dim) {
    if (v.is_string) {
      *error = "a string cannot be assigned to dimension " + t.dim->symbol;
      return false;
    }
    if (t.dim->reference) {
      *error = t.dim->symbol + " is a reference dimension";
      return false;
    }
    t.dim->value = v.num;
    return true;
  }
  if (t.param) return AssignParam(*t.param, v, error);
  if (LooksLikeDimSymbol(lhs)) {
    *error = "unknown dimension " + lhs;
    return false;
  }
  if (CharCount(lhs) > 31) {
    *error = "name too long: " + lhs;
    return false;
  }
  Parameter p;
  p.name = ToUpper(lhs);
  if (v.is_string) {
    if (CharCount(v.str) > 79) {
      *error = "string too long for " + p.name;
      return false;
    }
    p.value = ParamValue::String(v.str);
  } else {
    p.value = ParamValue::Double(v.num);
  }
  (scope ? scope->params : m.params).push_back(std::move(p));
  return true;
}

RelValue ValueOf(const Parameter& p) {
  switch (p.value.type) {
    case PRO_PARAM_DOUBLE:
      return RelValue::Num(p.value.d);
    case PRO_PARAM_STRING:
      return RelValue::Str(p.value.s);
    default:
      return RelValue::Num(p.value.i);
  }
}

// Evaluates one relation set; `scope` is the owning feature or null for the model.
bool RunSet(Model& m, Feature* scope, const RelationSet& lines, std::string* error) {
  const std::string owner = scope ? "feature " + std::to_string(scope->id) : m.name;
  for (size_t k = 0; k < lines.size(); ++k) {
    RelationLine line;
    std::string why;
    if (!ParseRelation(lines[k], &line, &why)) {
      *error = owner + ", relation line " + std::to_string(k + 1) + ": " + why;
      return false;
    }
    if (line.kind != RelationLine::kAssignment) continue;
    RelValue v;
    auto lookup = [&](const std::string& name, RelValue* out) {
      Target t = Resolve(m, scope, name);
      if (t.dim) {
        *out = RelValue::Num(t.dim->value);
        return true;
      }
      if (t.param) {
        *out = ValueOf(*t.param);
        return true;
      }
      return false;
    };
    if (!EvaluateRelation(*line.rhs, lookup, &v, &why) || !Assign(m, scope, line.lhs, v, &why)) {
      *error = owner + ", relation line " + std::to_string(k + 1) + " (" + lines[k] + "): " + why;
      return false;
    }
  }
  return true;
}

void MarkSet(Model& m, Feature* scope, const RelationSet& lines) {
  for (const std::string& text : lines) {
    RelationLine line;
    if (!ParseRelation(text, &line, nullptr) || line.kind != RelationLine::kAssignment) continue;
    Target t = Resolve(m, scope, line.lhs);
    if (t.dim) t.dim->rel_driven = true;
  }
}

}  // namespace

bool FeatureIsActive(const Feature& f) {
  return f.status == PRO_FEAT_ACTIVE || f.status == PRO_FEAT_UNREGENERATED;
}

bool CheckRelationLines(const RelationSet& lines, int* bad_line, std::string* error) {
  for (size_t k = 0; k < lines.size(); ++k) {
    RelationLine line;
    std::string why;
    if (!ParseRelation(lines[k], &line, &why)) {
      if (bad_line) *bad_line = static_cast<int>(k);
      if (error) *error = "line " + std::to_string(k + 1) + ": " + why;
      return false;
    }
  }
  return true;
}

bool RegenerateModel(Model& model, std::string* error) {
  std::string why;
  if (model.relations && !RunSet(model, nullptr, *model.relations, &why)) {
    if (error) *error = why;
    return false;
  }
  for (Feature& f : model.features) {
    if (!f.relations || !FeatureIsActive(f)) continue;
    const RelationSet lines = *f.relations;  // Assign may add to f.params
    if (!RunSet(model, &f, lines, &why)) {
      if (error) *error = why;
      return false;
    }
  }
  // A negative value flips the dimension's direction; the stored value is its size.
  for (Dimension& d : model.dimensions) d.value = std::fabs(d.value);
  MarkDrivenDimensions(model);
  return true;
}

void MarkDrivenDimensions(Model& model) {
  for (Dimension& d : model.dimensions) d.rel_driven = false;
  if (model.relations) MarkSet(model, nullptr, *model.relations);
  for (Feature& f : model.features)
    if (f.relations && FeatureIsActive(f)) MarkSet(model, &f, *f.relations);
}

}  // namespace sim
