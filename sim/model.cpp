#include "sim/model.h"

#include <ProFeatType.h>
#include <ProObjects.h>

#include "base/text_case.h"
#include "base/utf.h"

namespace sim {

bool ParamValue::operator==(const ParamValue& o) const {
  if (type != o.type) return false;
  switch (type) {
    case PRO_PARAM_DOUBLE:
      return d == o.d;
    case PRO_PARAM_STRING:
      return s == o.s;
    default:
      return i == o.i;
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
         grppattern_status == o.grppattern_status && failed == o.failed && visible == o.visible &&
         dims == o.dims && params == o.params && relations == o.relations &&
         comp_name == o.comp_name && comp_type == o.comp_type;
}

bool Model::operator==(const Model& o) const {
  return name == o.name && type == o.type && subtype == o.subtype && features == o.features &&
         dimensions == o.dimensions && params == o.params && relations == o.relations &&
         solids == o.solids;
}

std::string ModelTypeText(int mdl_type) {
  switch (mdl_type) {
    case PRO_MDL_PART:
      return "PRT";
    case PRO_MDL_ASSEMBLY:
      return "ASM";
    case PRO_MDL_DRAWING:
      return "DRW";
    default:
      return "";
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
    case PRO_FEAT_FIRST_FEAT:
      return "FIRST FEATURE";
    case PRO_FEAT_HOLE:
      return "HOLE";
    case PRO_FEAT_SHAFT:
      return "SHAFT";
    case PRO_FEAT_ROUND:
      return "ROUND";
    case PRO_FEAT_CHAMFER:
      return "CHAMFER";
    case PRO_FEAT_SLOT:
      return "SLOT";
    case PRO_FEAT_CUT:
      return "CUT";
    case PRO_FEAT_PROTRUSION:
      return "PROTRUSION";
    case PRO_FEAT_RIB:
      return "RIB";
    case PRO_FEAT_DATUM:
      return "DATUM PLANE";
    case PRO_FEAT_UDF:
      return "UDF";
    case PRO_FEAT_DATUM_AXIS:
      return "DATUM AXIS";
    case PRO_FEAT_DRAFT:
      return "DRAFT";
    case PRO_FEAT_SHELL:
      return "SHELL";
    case PRO_FEAT_DATUM_POINT:
      return "DATUM POINT";
    case PRO_FEAT_COSMETIC:
      return "COSMETIC";
    case PRO_FEAT_DATUM_SURF:
      return "SURFACE";
    case PRO_FEAT_DATUM_QUILT:
      return "QUILT";
    case PRO_FEAT_CURVE:
      return "DATUM CURVE";
    case PRO_FEAT_CSYS:
      return "COORDINATE SYSTEM";
    case PRO_FEAT_COMPONENT:
      return "COMPONENT";
    case PRO_FEAT_GROUP_HEAD:
      return "GROUP HEAD";
    case PRO_FEAT_PATTERN_HEAD:
      return "PATTERN HEAD";
    default:
      return "FEATURE";
  }
}

int DefaultModelSubtype(int mdl_type) {
  switch (mdl_type) {
    case PRO_MDL_PART:
      return PROMDLSTYPE_PART_SOLID;
    case PRO_MDL_ASSEMBLY:
      return PROMDLSTYPE_ASM_DESIGN;
    default:
      return PROMDLSTYPE_NONE;
  }
}

std::string ToUpper(const std::string& utf8) {
  return base::WideToUtf8(base::ToUpperCase(base::Utf8ToWide(utf8)));
}

std::string ToLower(const std::string& utf8) {
  return base::WideToUtf8(base::ToLowerCase(base::Utf8ToWide(utf8)));
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a == b || ToUpper(a) == ToUpper(b);
}

size_t CharCount(const std::string& utf8) { return base::Utf8ToWide(utf8).size(); }

}  // namespace sim
