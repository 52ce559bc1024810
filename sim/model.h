#pragma once
// The data a simulated CAD session holds for one model: features, dimensions,
// parameters, relation sets, components and drawing views. Plain values with no
// behaviour; sim::Store (sim/store.h) owns every Model and keeps the invariants
// written beside each field. Text is UTF-8 throughout; "characters" in length
// limits are Unicode code points, as the toolkit counts wide characters.
//
// Enumerated fields hold the toolkit's published values (ProMdlType, ProFeattype,
// ProFeatStatus, ProDimensiontype, ProDimToleranceType, ProParamvalueType, ...).
#include <optional>
#include <string>
#include <vector>

namespace sim {

// A parameter value. `type` is a ProParamvalueType: 50 double (d), 51 string (s,
// at most 79 characters), 52 integer (i), 53 boolean (i, 0 or 1), 54 note id (i).
struct ParamValue {
  int type = 50;
  double d = 0.0;
  std::string s;
  int i = 0;

  static ParamValue Double(double v) {
    ParamValue p;
    p.type = 50;
    p.d = v;
    return p;
  }
  static ParamValue String(std::string v) {
    ParamValue p;
    p.type = 51;
    p.s = std::move(v);
    return p;
  }
  static ParamValue Integer(int v) {
    ParamValue p;
    p.type = 52;
    p.i = v;
    return p;
  }
  static ParamValue Boolean(bool v) {
    ParamValue p;
    p.type = 53;
    p.i = v ? 1 : 0;
    return p;
  }
  static ParamValue NoteId(int v) {
    ParamValue p;
    p.type = 54;
    p.i = v;
    return p;
  }

  bool operator==(const ParamValue& o) const;
  bool operator!=(const ParamValue& o) const { return !(*this == o); }
};

// A parameter of a model or of a feature. Name unique per owner, compared without
// regard to case, kept upper case, at most 31 characters.
struct Parameter {
  std::string name;
  ParamValue value;
  std::string units;        // empty: unitless
  std::string description;  // free text
  bool operator==(const Parameter& o) const;
};

// A dimension. Ids are unique in the model (their own id space, independent of
// feature ids); symbols are unique in the model and lower case ("d0", "d12", or a
// symbol the user gave). Tolerance limits are deviations from the nominal value
// as the user entered them (for plus-minus both are usually positive).
struct Dimension {
  int id = 0;
  std::string symbol;
  double value = 0.0;
  int dim_type = 9;  // ProDimensiontype: 9 linear, 3 radius, 4 diameter, 21 angle
  int tol_type = 1;  // ProDimToleranceType: 1 nominal, 2 +-, 3 limits, 4 symmetric
  double upper = 0.0;
  double lower = 0.0;
  bool reference = false;   // a reference dimension: item type 28, not modifiable
  bool rel_driven = false;  // assigned by an active relation line (kept by the store)
  bool operator==(const Dimension& o) const;
};

// A relation set: ordered lines as the user wrote them.
using RelationSet = std::vector<std::string>;

// A feature. Ids are unique in the model. `dims` lists the ids of the dimensions
// the feature reports, in order; a dimension may be reported by more than one
// feature (e.g. a pattern leader and its header).
struct Feature {
  int id = 0;
  std::string name;       // upper case, at most 31 characters; empty: unnamed
  int type = 917;         // ProFeattype
  std::string type_name;  // "PROTRUSION", "DATUM PLANE", "COMPONENT", ...
  std::string subtype;    // e.g. "EXTRUDE", "STRAIGHT"; may be empty
  int status = 0;         // ProFeatStatus: 0 active, 5 suppressed, ...
  bool ncseq = false;
  bool incomplete = false;
  bool read_only = false;
  int pattern_status = 0;     // ProPatternStatus
  int group_status = 0;       // ProGroupStatus
  int grppattern_status = 0;  // ProGrppatternStatus
  bool failed = false;        // reported by ProSolidFailedFeatsList
  bool visible = true;        // false: an internal feature
  std::vector<int> dims;
  std::vector<Parameter> params;
  std::optional<RelationSet> relations;  // nullopt: the feature has no relation set
  // Component features (type 1000) only: the model they place.
  std::string comp_name;  // upper case
  int comp_type = 0;      // ProMdlType, 1 assembly or 2 part
  bool operator==(const Feature& o) const;
};

// A model reference by name and type, as a component or a drawing names a model.
struct ModelRef {
  std::string name;  // upper case
  int type = 0;      // ProMdlType
  bool operator==(const ModelRef& o) const { return name == o.name && type == o.type; }
};

// One model in the session.
struct Model {
  int handle = 0;                 // set by the store; positive, never reused
  std::string name;               // upper case
  int type = 2;                   // ProMdlType: 2 part, 1 assembly, 4 drawing
  int subtype = 0;                // ProMdlsubtype; 0 means "the usual one for the type"
  std::string dir;                // directory the model was loaded from/saved to, ends with '/'
  int version = 0;                // version of that file; 0 for a model never saved
  bool modified = false;          // changed since loaded or saved
  bool explicit_load = false;     // opened by the user or a client, not only as a dependency
  std::vector<Feature> features;  // in regeneration order
  std::vector<Dimension> dimensions;
  std::vector<Parameter> params;
  std::optional<RelationSet> relations;
  std::vector<ModelRef> solids;           // drawings only: the solids it shows
  bool operator==(const Model& o) const;  // compares content, not handle/location
};

// Type text of a model type: "PRT", "ASM", "DRW"; empty for others.
std::string ModelTypeText(int mdl_type);
// The model type of a type text or file extension, any case; -1 if unknown.
int ModelTypeFromText(const std::string& text);
// The upper-case label of a feature type as ProFeatureTypenameGet reports it.
std::string DefaultFeatureTypeName(int feat_type);
// Subtype the store gives a model of `mdl_type` when none is set (part solid,
// assembly design, none).
int DefaultModelSubtype(int mdl_type);

// Text helpers used wherever names are compared or stored.
std::string ToUpper(const std::string& utf8);
std::string ToLower(const std::string& utf8);
bool EqualNoCase(const std::string& a, const std::string& b);
size_t CharCount(const std::string& utf8);  // characters; a broken sequence counts one

}  // namespace sim
