// The feature and dimension passes of ProDbToMdl: rows flagged 2 rename features
// and write dimension symbols, values and tolerances, each change kept to be put
// back. Features and dimensions are neither created nor deleted, so rows flagged
// 1 or 3 are not read.
#include <ProDimension.h>
#include <ProFeature.h>
#include <ProModelitem.h>
#include <string>

#include "src/ProDbToMdl.h"
#include "src/fixed_names.h"
#include "src/log.h"
#include "src/string_util.h"

int ProDbToMdl::UpdateFeatures() {
  return ForEachRow(TAV_CATCH_SITE, {L"featId", L"featName"}, FlagCondition(2), [&] {
    ProFeature feature = {};
    // The feature is looked up before its name is checked: a row whose feature
    // is gone reports that first.
    if (const ProError rc =
            ProFeatureInit(static_cast<ProSolid>(model_), IntField(L"featId"), &feature))
      return FailWithToolkitError(rc);
    ProName name = {};
    if (const int failed = CopyName(TextField(L"featName"), name)) return failed;
    // An unnamed feature keeps its empty name, which the session will not take
    // back: putting it back then fails and the status says so.
    ProName old = {};
    const ProError named = ProModelitemNameGet(&feature, old);
    if (named != PRO_TK_NO_ERROR && named != PRO_TK_E_NOT_FOUND) return FailWithToolkitError(named);
    if (const ProError rc = ProModelitemNameSet(&feature, name)) return FailWithToolkitError(rc);
    Remember(L"the name of feature " + std::to_wstring(feature.id),
             [feature, old]() mutable { return ProModelitemNameSet(&feature, old); });
    return 0;
  });
}

int ProDbToMdl::UpdateDimensions() {
  return ForEachRow(
      TAV_CATCH_SITE, {L"dimId", L"dimSymbol", L"dimValue", L"upperLimit", L"lowerLimit"},
      FlagCondition(2), [&] {
        ProDimension dimension = {};
        const int id = IntField(L"dimId");
        if (const ProError rc = ProModelitemInit(model_, id, PRO_DIMENSION, &dimension)) {
          // A reference dimension only shows what the model measures: its row
          // (tolerance type 0) has nothing to write.
          if (rc == PRO_TK_NOT_EXIST &&
              ProModelitemInit(model_, id, PRO_REF_DIMENSION, &dimension) == PRO_TK_NO_ERROR) {
            WriteLog(FormatString(fixed::kLogReferenceDimension, id));
            return 0;
          }
          return FailWithToolkitError(rc);
        }
        // A dimension that a relation drives takes its value from the relation:
        // the row is left alone. When the session cannot say, the row is written,
        // and the session's answers to the writes below decide.
        ProBoolean driven = PRO_B_FALSE;
        if (ProDimensionIsReldriven(&dimension, &driven) == PRO_TK_NO_ERROR &&
            driven == PRO_B_TRUE) {
          WriteLog(FormatString(fixed::kLogDrivenDimension, id));
          return 0;
        }
        // Symbol, value and tolerance, in this order, each as the row holds it;
        // what they replace is read first, to be put back after a later failure.
        ProName symbol = {}, old_symbol = {};
        if (const int failed = CopyName(TextField(L"dimSymbol"), symbol)) return failed;
        double old_value = 0.0, old_upper = 0.0, old_lower = 0.0;
        ProError rc = ProDimensionSymbolGet(&dimension, old_symbol);
        if (rc == PRO_TK_NO_ERROR) rc = ProDimensionValueGet(&dimension, &old_value);
        if (rc == PRO_TK_NO_ERROR)
          rc = ProDimensionToleranceGet(&dimension, &old_upper, &old_lower);
        if (rc != PRO_TK_NO_ERROR) return FailWithToolkitError(rc);
        const std::wstring which = L" of dimension " + std::to_wstring(dimension.id);
        if ((rc = ProDimensionSymbolSet(&dimension, symbol))) return FailWithToolkitError(rc);
        Remember(L"the symbol" + which, [dimension, old_symbol]() mutable {
          return ProDimensionSymbolSet(&dimension, old_symbol);
        });
        if ((rc = ProDimensionValueSet(&dimension, DoubleField(L"dimValue"))))
          return FailWithToolkitError(rc);
        Remember(L"the value" + which, [dimension, old_value]() mutable {
          return ProDimensionValueSet(&dimension, old_value);
        });
        // A refused tolerance does not end the update: symbol and value stay set.
        if (ProDimensionToleranceSet(&dimension, DoubleField(L"upperLimit"),
                                     DoubleField(L"lowerLimit")) == PRO_TK_NO_ERROR)
          Remember(L"the tolerance" + which, [dimension, old_upper, old_lower]() mutable {
            return ProDimensionToleranceSet(&dimension, old_upper, old_lower);
          });
        return 0;
      });
}
