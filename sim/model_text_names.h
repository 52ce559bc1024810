#pragma once
// What the model-file reader and writer share: the format's name and version,
// and the names the file gives to enumerated values. Internal to sim/.
#include <ProDimension.h>
#include <ProFeature.h>
#include <ProParamval.h>

#include <nlohmann/json.hpp>

namespace sim {

using Json = nlohmann::ordered_json;

inline constexpr const char* kFormat = "tavproe-model";
inline constexpr int kFormatVersion = 1;

struct Named {
  int value;
  const char* name;
};

inline constexpr Named kStatusNames[] = {
    {PRO_FEAT_ACTIVE, "active"},
    {PRO_FEAT_INACTIVE, "inactive"},
    {PRO_FEAT_FAMTAB_SUPPRESSED, "famtab_suppressed"},
    {PRO_FEAT_SIMP_REP_SUPPRESSED, "simp_rep_suppressed"},
    {PRO_FEAT_PROG_SUPPRESSED, "prog_suppressed"},
    {PRO_FEAT_SUPPRESSED, "suppressed"},
    {6, "unregenerated"},
};
inline constexpr Named kDimTypeNames[] = {
    {PRODIMTYPE_LINEAR, "linear"},     {PRODIMTYPE_RADIUS, "radius"},
    {PRODIMTYPE_DIAMETER, "diameter"}, {PRODIMTYPE_ANGLE, "angle"},
    {PRODIMTYPE_UNKNOWN, "unknown"},   {72, "arc_length"},
};
inline constexpr Named kTolTypeNames[] = {
    {PRO_TOL_DEFAULT, "nominal"},
    {PRO_TOL_PLUS_MINUS, "plus_minus"},
    {PRO_TOL_LIMITS, "limits"},
    {PRO_TOL_PLUS_MINUS_SYM, "plus_minus_sym"},
};
inline constexpr Named kParamTypeNames[] = {
    {PRO_PARAM_DOUBLE, "double"},   {PRO_PARAM_STRING, "string"},   {PRO_PARAM_INTEGER, "integer"},
    {PRO_PARAM_BOOLEAN, "boolean"}, {PRO_PARAM_NOTE_ID, "note_id"},
};

}  // namespace sim
