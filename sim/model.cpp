#include "sim/model.h"

#include <ProFeatType.h>
#include <ProObjects.h>

namespace sim {

bool ParamValue::operator==(const ParamValue& o) const {
  if (type != o.type) return false;
  switch (type) {
    case PRO_PARAM_DOUBLE: return d == o.d;
    case PRO_PARAM_STRING: return s == o.s;
    default: return i == o.i;
  }
}

bool Parameter::operator==(const Parameter& o) const {
  return name == o.name && value == o.value && units == o.units && description == o.description;
}

bool Dimension::operator==(const Dimension& o) const {
  return id == o.id && symbol == o.symbol && value == o.value && dim_type == o.dim_type &&
         tol_type == o.tol_type && upper == o.upper && lower == o.lower &&
         reference == o.reference && rel_driven == o.rel_driven;
}

bool Feature::operator==(const Feature& o) const {
  return id == o.id && name == o.name && type == o.type && type_name == o.type_name &&
         subtype == o.subtype && status == o.status && ncseq == o.ncseq &&
         incomplete == o.incomplete && read_only == o.read_only &&
         pattern_status == o.pattern_status && group_status == o.group_status &&
         grppattern_status == o.grppattern_status && failed == o.failed &&
         visible == o.visible && dims == o.dims && params == o.params &&
         relations == o.relations && comp_name == o.comp_name && comp_type == o.comp_type;
}

bool Model::operator==(const Model& o) const {
  return name == o.name && type == o.type && subtype == o.subtype && features == o.features &&
         dimensions == o.dimensions && params == o.params && relations == o.relations &&
         solids == o.solids;
}

std::string ModelTypeText(int mdl_type) {
  switch (mdl_type) {
    case PRO_MDL_PART: return "PRT";
    case PRO_MDL_ASSEMBLY: return "ASM";
    case PRO_MDL_DRAWING: return "DRW";
    default: return "";
  }
}

int ModelTypeFromText(const std::string& text) {
  const std::string t = ToUpper(text);
  if (t == "PRT") return PRO_MDL_PART;
  if (t == "ASM") return PRO_MDL_ASSEMBLY;
  if (t == "DRW") return PRO_MDL_DRAWING;
  return -1;
}

std::string DefaultFeatureTypeName(int feat_type) {
  switch (feat_type) {
    case PRO_FEAT_FIRST_FEAT: return "FIRST FEATURE";
    case PRO_FEAT_HOLE: return "HOLE";
    case PRO_FEAT_SHAFT: return "SHAFT";
    case PRO_FEAT_ROUND: return "ROUND";
    case PRO_FEAT_CHAMFER: return "CHAMFER";
    case PRO_FEAT_SLOT: return "SLOT";
    case PRO_FEAT_CUT: return "CUT";
    case PRO_FEAT_PROTRUSION: return "PROTRUSION";
    case PRO_FEAT_RIB: return "RIB";
    case PRO_FEAT_DATUM: return "DATUM PLANE";
    case PRO_FEAT_UDF: return "UDF";
    case PRO_FEAT_DATUM_AXIS: return "DATUM AXIS";
    case PRO_FEAT_DRAFT: return "DRAFT";
    case PRO_FEAT_SHELL: return "SHELL";
    case PRO_FEAT_DATUM_POINT: return "DATUM POINT";
    case PRO_FEAT_COSMETIC: return "COSMETIC";
    case PRO_FEAT_DATUM_SURF: return "SURFACE";
    case PRO_FEAT_DATUM_QUILT: return "QUILT";
    case PRO_FEAT_CURVE: return "DATUM CURVE";
    case PRO_FEAT_CSYS: return "COORDINATE SYSTEM";
    case PRO_FEAT_COMPONENT: return "COMPONENT";
    case PRO_FEAT_GROUP_HEAD: return "GROUP HEAD";
    case PRO_FEAT_PATTERN_HEAD: return "PATTERN HEAD";
    default: return "FEATURE";
  }
}

int DefaultModelSubtype(int mdl_type) {
  switch (mdl_type) {
    case PRO_MDL_PART: return PROMDLSTYPE_PART_SOLID;
    case PRO_MDL_ASSEMBLY: return PROMDLSTYPE_ASM_DESIGN;
    default: return PROMDLSTYPE_NONE;
  }
}

namespace {

// Decodes one code point at s[i]; advances i. Invalid bytes decode as themselves
// (one byte each) and set *bad.
char32_t Decode(const std::string& s, size_t& i, bool* bad) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  int len = 0;
  char32_t cp = 0;
  if (c < 0x80) { ++i; return c; }
  if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; }
  else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; }
  else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; }
  else { ++i; if (bad) *bad = true; return c; }
  if (i + len > s.size()) { ++i; if (bad) *bad = true; return c; }
  for (int k = 1; k < len; ++k) {
    const unsigned char cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) { ++i; if (bad) *bad = true; return c; }
    cp = (cp << 6) | (cc & 0x3F);
  }
  const char32_t min[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < min[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i; if (bad) *bad = true; return c;
  }
  i += len;
  return cp;
}

void Encode(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Case mapping for the scripts model names are realistically written in (Latin,
// Greek, Cyrillic), independent of the process locale.
char32_t UpperOf(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c < 0x80) return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x137 && (c & 1)) return c - 1;
  if (c >= 0x139 && c <= 0x148 && !(c & 1)) return c - 1;
  if (c >= 0x14A && c <= 0x177 && (c & 1)) return c - 1;
  if ((c == 0x17A || c == 0x17C || c == 0x17E)) return c - 1;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

char32_t LowerOf(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c < 0x80) return c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x137 && !(c & 1)) return c + 1;
  if (c >= 0x139 && c <= 0x148 && (c & 1)) return c + 1;
  if (c >= 0x14A && c <= 0x177 && !(c & 1)) return c + 1;
  if ((c == 0x179 || c == 0x17B || c == 0x17D)) return c + 1;
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

template <typename F>
std::string MapCase(const std::string& s, F f) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const size_t start = i;
    bool bad = false;
    const char32_t cp = Decode(s, i, &bad);
    if (bad) out.append(s, start, i - start);  // keep invalid bytes as they are
    else Encode(f(cp), out);
  }
  return out;
}

}  // namespace

std::string ToUpper(const std::string& utf8) { return MapCase(utf8, UpperOf); }
std::string ToLower(const std::string& utf8) { return MapCase(utf8, LowerOf); }

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a == b || ToUpper(a) == ToUpper(b);
}

size_t CharCount(const std::string& utf8) {
  size_t n = 0, i = 0;
  while (i < utf8.size()) {
    Decode(utf8, i, nullptr);
    ++n;
  }
  return n;
}

bool IsValidUtf8(const std::string& s) {
  size_t i = 0;
  bool bad = false;
  while (i < s.size() && !bad) Decode(s, i, &bad);
  return !bad;
}

}  // namespace sim
