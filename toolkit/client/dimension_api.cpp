// Dimensions.
#include <ProDimension.h>

#include "toolkit/client/call.h"
#include "toolkit/client/wide_text.h"
#include "toolkit/client/wire_types.h"

using namespace tkclient;

namespace {

template <class T>
ProError DimensionInt(const char* name, const ProDimension* dim, T* out) {
  if (!dim || !out) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    Reply reply;
    const ProError e = Invoke(name, &reply, ItemToWire(*dim));
    if (e != PRO_TK_NO_ERROR) return e;
    *out = static_cast<T>(OutAt<int>(reply, 0));
    return PRO_TK_NO_ERROR;
  });
}

}  // namespace

extern "C" {

ProError ProDimensionSymbolGet(ProDimension* dimension, ProName symbol) {
  if (!dimension || !symbol) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    Reply reply;
    const ProError e = Invoke("ProDimensionSymbolGet", &reply, ItemToWire(*dimension));
    if (e != PRO_TK_NO_ERROR) return e;
    CopyToWide(OutAt<std::string>(reply, 0), symbol, PRO_NAME_SIZE);
    return PRO_TK_NO_ERROR;
  });
}

ProError ProDimensionSymbolSet(ProDimension* dimension, ProName symbol) {
  if (!dimension || !symbol) return PRO_TK_BAD_INPUTS;
  return Guarded(
      [&] { return InvokeCode("ProDimensionSymbolSet", ItemToWire(*dimension), ToUtf8(symbol)); });
}

ProError ProDimensionValueGet(ProDimension* dimension, double* value) {
  if (!dimension || !value) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    Reply reply;
    const ProError e = Invoke("ProDimensionValueGet", &reply, ItemToWire(*dimension));
    if (e != PRO_TK_NO_ERROR) return e;
    *value = OutAt<double>(reply, 0);
    return PRO_TK_NO_ERROR;
  });
}

ProError ProDimensionValueSet(ProDimension* dimension, double value) {
  if (!dimension) return PRO_TK_BAD_INPUTS;
  return Guarded([&] { return InvokeCode("ProDimensionValueSet", ItemToWire(*dimension), value); });
}

ProError ProDimensionTypeGet(ProDimension* dimension, ProDimensiontype* type) {
  return DimensionInt("ProDimensionTypeGet", dimension, type);
}

ProError ProDimensionToltypeGet(ProDimension* dimension, ProDimToleranceType* type) {
  return DimensionInt("ProDimensionToltypeGet", dimension, type);
}

ProError ProDimensionToltypeSet(ProDimension* dimension, ProDimToleranceType type) {
  if (!dimension) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    return InvokeCode("ProDimensionToltypeSet", ItemToWire(*dimension), static_cast<int>(type));
  });
}

ProError ProDimensionToleranceGet(ProDimension* dimension, double* upper_limit,
                                  double* lower_limit) {
  if (!dimension || !upper_limit || !lower_limit) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    Reply reply;
    const ProError e = Invoke("ProDimensionToleranceGet", &reply, ItemToWire(*dimension));
    if (e != PRO_TK_NO_ERROR) return e;
    const double upper = OutAt<double>(reply, 0);
    const double lower = OutAt<double>(reply, 1);
    *upper_limit = upper;
    *lower_limit = lower;
    return PRO_TK_NO_ERROR;
  });
}

ProError ProDimensionToleranceSet(ProDimension* dimension, double upper_limit, double lower_limit) {
  if (!dimension) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    return InvokeCode("ProDimensionToleranceSet", ItemToWire(*dimension), upper_limit, lower_limit);
  });
}

ProError ProDimensionIsReldriven(ProDimension* dimension, ProBoolean* rel_driven) {
  return DimensionInt("ProDimensionIsReldriven", dimension, rel_driven);
}

}  // extern "C"
