// Dimensions.
#include <ProDimension.h>

#include "toolkit/client/c_edge.h"
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

ProError ProDimensionSymbolGet(ProDimension* dimension, ProName symbol) try {
  if (!dimension || !symbol) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    std::string text;
    const ProError e = InvokeOne<method::ProDimensionSymbolGet>(&text, ItemToWire(*dimension));
    if (e == PRO_TK_NO_ERROR) CopyToWide(text, symbol, PRO_NAME_SIZE);
    return e;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProDimensionSymbolSet(ProDimension* dimension, ProName symbol) try {
  if (!dimension || !symbol) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    return InvokeCode<method::ProDimensionSymbolSet>(ItemToWire(*dimension), ToUtf8(symbol));
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProDimensionValueGet(ProDimension* dimension, double* value) try {
  if (!dimension || !value) return PRO_TK_BAD_INPUTS;
  return Guarded(
      [&] { return InvokeOne<method::ProDimensionValueGet>(value, ItemToWire(*dimension)); });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProDimensionValueSet(ProDimension* dimension, double value) try {
  if (!dimension) return PRO_TK_BAD_INPUTS;
  return Guarded(
      [&] { return InvokeCode<method::ProDimensionValueSet>(ItemToWire(*dimension), value); });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProDimensionTypeGet(ProDimension* dimension, ProDimensiontype* type) try {
  return DimensionInt<method::ProDimensionTypeGet>(dimension, type);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProDimensionToltypeGet(ProDimension* dimension, ProDimToleranceType* type) try {
  return DimensionInt<method::ProDimensionToltypeGet>(dimension, type);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProDimensionToltypeSet(ProDimension* dimension, ProDimToleranceType type) try {
  if (!dimension) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    return InvokeCode<method::ProDimensionToltypeSet>(ItemToWire(*dimension),
                                                      static_cast<int>(type));
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProDimensionToleranceGet(ProDimension* dimension, double* upper_limit,
                                  double* lower_limit) try {
  if (!dimension || !upper_limit || !lower_limit) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    method::ProDimensionToleranceGet::Outs limits;
    const ProError e = Invoke<method::ProDimensionToleranceGet>(&limits, ItemToWire(*dimension));
    if (e == PRO_TK_NO_ERROR) std::tie(*upper_limit, *lower_limit) = limits;
    return e;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProDimensionToleranceSet(ProDimension* dimension, double upper_limit,
                                  double lower_limit) try {
  if (!dimension) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    return InvokeCode<method::ProDimensionToleranceSet>(ItemToWire(*dimension), upper_limit,
                                                        lower_limit);
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProDimensionIsReldriven(ProDimension* dimension, ProBoolean* rel_driven) try {
  return DimensionInt<method::ProDimensionIsReldriven>(dimension, rel_driven);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

}  // extern "C"
