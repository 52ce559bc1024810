// The feature and dimension passes of ProDbToMdl: rows flagged 2 rename features
// and write dimension symbols, values and tolerances. Features and dimensions are
// neither created nor deleted, so rows flagged 1 or 3 are not read.
#include <ProDimension.h>
#include <ProFeature.h>
#include <ProModelitem.h>

#include "src/ProDbToMdl.h"

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
    if (const ProError rc = ProModelitemNameSet(&feature, name)) return FailWithToolkitError(rc);
    return 0;
  });
}

int ProDbToMdl::UpdateDimensions() {
  return ForEachRow(
      TAV_CATCH_SITE, {L"dimId", L"dimSymbol", L"dimValue", L"upperLimit", L"lowerLimit"},
      FlagCondition(2), [&] {
        ProDimension dimension = {};
        if (const ProError rc =
                ProModelitemInit(model_, IntField(L"dimId"), PRO_DIMENSION, &dimension))
          return FailWithToolkitError(rc);
        // A dimension that a relation drives takes its value from the relation:
        // the row is left alone. When the session cannot say, the row is written,
        // and the session's answers to the writes below decide.
        ProBoolean driven = PRO_B_FALSE;
        if (ProDimensionIsReldriven(&dimension, &driven) == PRO_TK_NO_ERROR && driven == PRO_B_TRUE)
          return 0;
        // Symbol, value and tolerance, in this order, each as the row holds it.
        ProName symbol = {};
        if (const int failed = CopyName(TextField(L"dimSymbol"), symbol)) return failed;
        if (const ProError rc = ProDimensionSymbolSet(&dimension, symbol))
          return FailWithToolkitError(rc);
        if (const ProError rc = ProDimensionValueSet(&dimension, DoubleField(L"dimValue")))
          return FailWithToolkitError(rc);
        // A refused tolerance does not end the update: symbol and value stay set.
        ProDimensionToleranceSet(&dimension, DoubleField(L"upperLimit"),
                                 DoubleField(L"lowerLimit"));
        return 0;
      });
}
