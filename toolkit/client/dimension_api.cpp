// Dimensions.
#include <ProDimension.h>

#include "toolkit/client/call.h"
#include "toolkit/client/wide_text.h"
#include "toolkit/client/wire_types.h"

using namespace tkclient;

namespace {

// A dimension call answering one integer or enumeration value.
template <class M, class T>
ProError DimensionInt(const ProDimension* dim, T* out) {
  if (!dim || !out) return PRO_TK_BAD_INPUTS;
  return InvokeInt<M>(out, ItemToWire(*dim));
}

}  // namespace

extern "C" {

ProError ProDimensionSymbolGet(ProDimension* dimension, ProName symbol) {
  if (!dimension || !symbol) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    std::string text;
    const ProError e = InvokeOne<method::ProDimensionSymbolGet>(&text, ItemToWire(*dimension));
    if (e == PRO_TK_NO_ERROR) CopyToWide(text, symbol, PRO_NAME_SIZE);
    return e;
  });
}

ProError ProDimensionSymbolSet(ProDimension* dimension, ProName symbol) {
  if (!dimension || !symbol) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    return InvokeCode<method::ProDimensionSymbolSet>(ItemToWire(*dimension), ToUtf8(symbol));
  });
}

ProError ProDimensionValueGet(ProDimension* dimension, double* value) {
  if (!dimension || !value) return PRO_TK_BAD_INPUTS;
  return Guarded(
      [&] { return InvokeOne<method::ProDimensionValueGet>(value, ItemToWire(*dimension)); });
}

ProError ProDimensionValueSet(ProDimension* dimension, double value) {
  if (!dimension) return PRO_TK_BAD_INPUTS;
  return Guarded(
      [&] { return InvokeCode<method::ProDimensionValueSet>(ItemToWire(*dimension), value); });
}

ProError ProDimensionTypeGet(ProDimension* dimension, ProDimensiontype* type) {
  return DimensionInt<method::ProDimensionTypeGet>(dimension, type);
}

ProError ProDimensionToltypeGet(ProDimension* dimension, ProDimToleranceType* type) {
  return DimensionInt<method::ProDimensionToltypeGet>(dimension, type);
}

ProError ProDimensionToltypeSet(ProDimension* dimension, ProDimToleranceType type) {
  if (!dimension) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    return InvokeCode<method::ProDimensionToltypeSet>(ItemToWire(*dimension),
                                                      static_cast<int>(type));
  });
}

ProError ProDimensionToleranceGet(ProDimension* dimension, double* upper_limit,
                                  double* lower_limit) {
  if (!dimension || !upper_limit || !lower_limit) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    method::ProDimensionToleranceGet::Outs limits;
    const ProError e = Invoke<method::ProDimensionToleranceGet>(&limits, ItemToWire(*dimension));
    if (e == PRO_TK_NO_ERROR) std::tie(*upper_limit, *lower_limit) = limits;
    return e;
  });
}

ProError ProDimensionToleranceSet(ProDimension* dimension, double upper_limit, double lower_limit) {
  if (!dimension) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    return InvokeCode<method::ProDimensionToleranceSet>(ItemToWire(*dimension), upper_limit,
                                                        lower_limit);
  });
}

ProError ProDimensionIsReldriven(ProDimension* dimension, ProBoolean* rel_driven) {
  return DimensionInt<method::ProDimensionIsReldriven>(dimension, rel_driven);
}

}  // extern "C"
