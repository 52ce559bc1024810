#include "sim/store_rules.h"

#include <ProFeatType.h>
#include <ProParamval.h>
#include <algorithm>
#include <cmath>
#include <set>

#include "base/utf.h"

namespace sim {
namespace {

constexpr size_t kStringValueMax = 79;

bool IsLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
}
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsModelType(int t) {
  return t == PRO_MDL_PART || t == PRO_MDL_ASSEMBLY || t == PRO_MDL_DRAWING;
}
bool IsSolidType(int t) { return t == PRO_MDL_PART || t == PRO_MDL_ASSEMBLY; }

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

}  // namespace sim
