#include <ProFeatType.h>
#include <ProObjects.h>
#include <unordered_map>
#include <unordered_set>

#include "sim/model_file.h"
#include "sim/model_text_names.h"

namespace sim {
namespace {

template <size_t N>
Json NameOf(const Named (&table)[N], int value) {
  for (const Named& n : table)
    if (n.value == value) return n.name;
  return value;
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

Json RelationsToJson(const RelationSet& lines) {
  Json arr = Json::array();
  for (const std::string& l : lines) arr.push_back(l);
  return arr;
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

// One feature; its dimensions not yet `written` are written in full (and added to
// it), the others by id.
Json FeatureToJson(const Feature& f, const std::unordered_map<int, const Dimension*>& by_id,
                   std::unordered_set<int>* written) {
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
    if (!written->insert(id).second) {
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
  return jf;
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
  for (const Feature& f : m.features) feats.push_back(FeatureToJson(f, by_id, &written));
  j["features"] = std::move(feats);
  // Dimensions no feature reports (rare; kept so nothing is lost).
  Json loose = Json::array();
  for (const Dimension& d : m.dimensions)
    if (!written.count(d.id)) loose.push_back(DimensionToJson(d));
  if (!loose.empty()) j["dimensions"] = std::move(loose);
  return j;
}

}  // namespace

std::string ModelToText(const Model& model) {
  return ToJson(model).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace sim
