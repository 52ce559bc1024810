// The feature and dimension exports of ProMdlToDb, and the naming of features.
#include <ProAsmcomp.h>
#include <ProDimension.h>
#include <ProFeature.h>
#include <ProModelitem.h>
#include <ProNcseq.h>
#include <algorithm>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "src/ProMdlToDb.h"

namespace {

// One answer of a feature query, as an integer column; a failure is kept in `rc`
// (the first one) and ends the row.
template <typename T, typename Query>
int Answer(Query query, ProFeature& feature, ProError& rc) {
  T value{};
  const ProError answered = query(&feature, &value);
  if (rc == PRO_TK_NO_ERROR) rc = answered;
  return static_cast<int>(value);
}

// The dimension visit: keeps every dimension but those of unknown type (-1).
ProError CollectDimension(ProDimension* dimension, ProError, ProAppData data) {
  ProDimensiontype type{};
  ProDimensionTypeGet(dimension, &type);
  if (type != PRODIMTYPE_UNKNOWN)
    static_cast<std::vector<ProDimension>*>(data)->push_back(*dimension);
  return PRO_TK_NO_ERROR;
}

// The dimensions already written, one bit per id of each model: a set of
// (model, id) pairs held some 48 bytes a dimension until the export ended. Ids
// beyond kDenseIds (never seen from a session, but possible) go to a set.
class WrittenDimensions {
 public:
  // True the first time (owner, id) comes.
  bool Insert(ProMdl owner, int id) {
    if (id < 0 || id >= kDenseIds) return sparse_.insert({owner, id}).second;
    std::vector<bool>& bits = dense_[owner];
    const auto at = static_cast<std::size_t>(id);
    if (at >= bits.size()) bits.resize(std::max(at + 1, 2 * bits.size()));
    if (bits[at]) return false;
    bits[at] = true;
    return true;
  }

 private:
  static constexpr int kDenseIds = 1 << 24;  // 2 MiB of bits a model at most
  std::map<ProMdl, std::vector<bool>> dense_;
  std::set<std::pair<ProMdl, int>> sparse_;
};

}  // namespace

int ProMdlToDb::ExportFeatures(const std::wstring& kind) {
  return Step(TAV_CATCH_SITE, [&] {
    row_.SetTable(ExchangeRow::TableName(kind));
    for (std::size_t i = 0; i < features_.size(); ++i) {
      ProFeature& feature = features_[i].feature;
      row_.Clear();
      row_.AddIntColumn(L"featId", feature.id);
      std::wstring name;
      if (ItemName(feature, name) != 0) return -1;
      row_.AddTextColumn(L"featName", name.c_str());
      ProName type_name = {};
      const ProError rc = ProFeatureTypenameGet(&feature, type_name);
      if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
      row_.AddTextColumn(L"featType", type_name);
      // A column the session cannot answer is not written as 0: it fails the call.
      ProLine subtype = {};
      ProError asked = ProFeatureSubtypeGet(&feature, subtype);
      row_.AddTextColumn(L"featSubtype", subtype);
      row_.AddIntColumn(L"featStatus", features_[i].status);
      row_.AddIntColumn(L"isNcseq", Answer<ProBoolean>(ProFeatureIsNcseq, feature, asked));
      row_.AddIntColumn(L"isIncomplete",
                        Answer<ProBoolean>(ProFeatureIsIncomplete, feature, asked));
      row_.AddIntColumn(L"isReadonly", Answer<ProBoolean>(ProFeatureIsReadonly, feature, asked));
      row_.AddIntColumn(L"patternStatus",
                        Answer<ProPatternStatus>(ProFeaturePatternStatusGet, feature, asked));
      row_.AddIntColumn(L"groupStatus",
                        Answer<ProGroupStatus>(ProFeatureGroupStatusGet, feature, asked));
      row_.AddIntColumn(L"grppatStatus",
                        Answer<ProGrppatternStatus>(ProFeatureGrppatternStatusGet, feature, asked));
      if (asked != PRO_TK_NO_ERROR) return RecordToolkitFailure(asked);
      row_.AddIntColumn(L"featIndex", static_cast<int>(i));
      InsertRow();
    }
    return 0;
  });
}

int ProMdlToDb::ItemName(const ProFeature& feature, std::wstring& name) {
  return Step(TAV_CATCH_SITE, [&] {
    name.clear();
    ProFeature item = feature;
    ProName buffer = {};
    const ProError rc = ProModelitemNameGet(&item, buffer);
    if (rc == PRO_TK_NO_ERROR) name = buffer;
    // A named feature records "no error" too.
    if (rc != PRO_TK_E_NOT_FOUND) return RecordToolkitFailure(rc);
    ProFeattype type = 0;
    const ProError typed = ProFeatureTypeGet(&item, &type);
    if (type == PRO_FEAT_COMPONENT) {
      ProMdlType model_type = PRO_MDL_UNUSED;
      ProFamilyName model_name = {};
      const ProError named = ProAsmcompMdlNameGet(&item, &model_type, model_name);
      if (named != PRO_TK_NO_ERROR) return RecordToolkitFailure(named);
      name = model_name;
      if (model_type == PRO_MDL_ASSEMBLY) name += L".ASM";
      if (model_type == PRO_MDL_PART) name += L".PRT";
    } else {
      name = L"---";
    }
    return typed == PRO_TK_NO_ERROR ? 0 : RecordToolkitFailure(typed);
  });
}

int ProMdlToDb::ExportDimensions(const std::wstring& kind) {
  return Step(TAV_CATCH_SITE, [&] {
    // Dimension ids belong to one model: a drawing's solids may repeat them.
    WrittenDimensions written;
    row_.SetTable(ExchangeRow::TableName(kind));
    std::vector<ProDimension> dimensions;
    for (FeatureEntry& entry : features_) {
      dimensions.clear();
      const ProError visited =
          ProFeatureDimensionVisit(&entry.feature, CollectDimension, nullptr, &dimensions);
      if (visited == PRO_TK_E_NOT_FOUND) continue;  // a feature without dimensions
      if (visited != PRO_TK_NO_ERROR) return RecordToolkitFailure(visited);
      for (ProDimension& dimension : dimensions) {
        if (!written.Insert(dimension.owner, dimension.id)) continue;
        // A column the session cannot answer fails the call; only a reference
        // dimension has no tolerance type (written as 0).
        ProName symbol = {};
        double value = 0.0, upper = 0.0, lower = 0.0;
        ProDimensiontype type{};
        ProDimToleranceType tolerance{};
        ProBoolean driven = PRO_B_FALSE;
        ProError rc = ProDimensionSymbolGet(&dimension, symbol);
        if (rc == PRO_TK_NO_ERROR) rc = ProDimensionValueGet(&dimension, &value);
        if (rc == PRO_TK_NO_ERROR) rc = ProDimensionTypeGet(&dimension, &type);
        if (rc == PRO_TK_NO_ERROR && ProDimensionToltypeGet(&dimension, &tolerance) &&
            dimension.type != PRO_REF_DIMENSION)
          rc = PRO_TK_GENERAL_ERROR;
        if (rc == PRO_TK_NO_ERROR) rc = ProDimensionToleranceGet(&dimension, &upper, &lower);
        if (rc == PRO_TK_NO_ERROR) rc = ProDimensionIsReldriven(&dimension, &driven);
        if (rc != PRO_TK_NO_ERROR) return RecordToolkitFailure(rc);
        row_.Clear();
        row_.AddIntColumn(L"dimId", dimension.id);
        row_.AddIntColumn(L"featId", entry.feature.id);
        row_.AddTextColumn(L"dimSymbol", symbol);
        row_.AddDoubleColumn(L"dimValue", value);
        row_.AddIntColumn(L"dimType", type);
        row_.AddIntColumn(L"tolType", tolerance);
        row_.AddDoubleColumn(L"upperLimit", upper);
        row_.AddDoubleColumn(L"lowerLimit", lower);
        row_.AddIntColumn(L"isReldriven", driven);
        InsertRow();
      }
    }
    return 0;
  });
}
