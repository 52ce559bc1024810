// ProParamvalue helpers: local, no round trip.
#include <ProParamval.h>
#include <cstring>
#include <cwchar>

#include "toolkit/client/c_edge.h"

namespace {

bool KnownType(ProParamvalueType type) {
  switch (type) {
    case PRO_PARAM_DOUBLE:
    case PRO_PARAM_STRING:
    case PRO_PARAM_INTEGER:
    case PRO_PARAM_BOOLEAN:
    case PRO_PARAM_NOTE_ID:
    case PRO_PARAM_VOID:
      return true;
  }
  return false;
}

}  // namespace

extern "C" {

ProError ProParamvalueSet(ProParamvalue* proval, const void* value, ProParamvalueType type) try {
  if (!proval || !KnownType(type) || (!value && type != PRO_PARAM_VOID)) return PRO_TK_BAD_INPUTS;
  ProParamvalue v;
  std::memset(&v, 0, sizeof v);
  v.type = type;
  switch (type) {
    case PRO_PARAM_DOUBLE:
      v.value.d_val = *static_cast<const double*>(value);
      break;
    case PRO_PARAM_STRING: {
      // A text that does not fit is refused rather than silently cut.
      const auto* text = static_cast<const wchar_t*>(value);
      const std::size_t n = wcsnlen(text, PRO_LINE_SIZE);
      if (n >= PRO_LINE_SIZE) return PRO_TK_BAD_INPUTS;
      std::wmemcpy(v.value.s_val, text, n);
      v.value.s_val[n] = L'\0';
      break;
    }
    case PRO_PARAM_INTEGER:
    case PRO_PARAM_NOTE_ID:
      v.value.i_val = *static_cast<const int*>(value);
      break;
    case PRO_PARAM_BOOLEAN:
      v.value.l_val = *static_cast<const short*>(value) ? 1 : 0;
      break;
    case PRO_PARAM_VOID:
      break;
  }
  *proval = v;
  return PRO_TK_NO_ERROR;
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProParamvalueTypeGet(const ProParamvalue* proval, ProParamvalueType* p_type) try {
  if (!proval || !p_type || !KnownType(proval->type)) return PRO_TK_BAD_INPUTS;
  *p_type = proval->type;
  return PRO_TK_NO_ERROR;
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProParamvalueValueGet(const ProParamvalue* proval, ProParamvalueType type,
                               void* r_value) try {
  if (!proval || !r_value || proval->type != type || !KnownType(type)) return PRO_TK_BAD_INPUTS;
  switch (type) {
    case PRO_PARAM_DOUBLE:
      *static_cast<double*>(r_value) = proval->value.d_val;
      break;
    case PRO_PARAM_STRING: {
      const std::size_t n = wcsnlen(proval->value.s_val, PRO_LINE_SIZE - 1);
      auto* out = static_cast<wchar_t*>(r_value);
      std::wmemcpy(out, proval->value.s_val, n);
      out[n] = L'\0';
      break;
    }
    case PRO_PARAM_INTEGER:
    case PRO_PARAM_NOTE_ID:
      *static_cast<int*>(r_value) = proval->value.i_val;
      break;
    case PRO_PARAM_BOOLEAN:
      *static_cast<short*>(r_value) = proval->value.l_val;
      break;
    case PRO_PARAM_VOID:
      break;
  }
  return PRO_TK_NO_ERROR;
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

}  // extern "C"
