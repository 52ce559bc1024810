#include "src/toolkit_error_name.h"

#include "src/fixed_names.h"

namespace {

// Indexed by code + 99: entry 0 is -99, entry 99 is 0.
// clang-format off
const wchar_t* const kNames[100] = {
    L"PRO_TK_APP_UNLOCK",            // -99
    L"PRO_TK_APP_NEW_VERSION",       // -98
    L"PRO_TK_APP_COMM_FAILURE",      // -97
    L"PRO_TK_APP_VERSION_MISMATCH",  // -96
    L"PRO_TK_APP_INIT_FAIL",         // -95
    L"PRO_TK_APP_STARTUP_FAIL",      // -94
    L"PRO_TK_APP_XS_CALLBACKS",      // -93
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,  // -92..-83
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,  // -82..-73
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,  // -72..-63
    nullptr, nullptr, nullptr, nullptr,                                                        // -62..-59
    L"PRO_TK_UNSUPPORTED",             // -58
    L"PRO_TK_DWGCREATE_ERRORS",        // -57
    L"PRO_TK_REGEN_AGAIN",             // -56
    L"PRO_TK_UNATTACHED_FEATS",        // -55
    L"PRO_TK_CRE_VIEW_BAD_EXPLODE",    // -54
    L"PRO_TK_CRE_VIEW_BAD_TYPE",       // -53
    L"PRO_TK_CRE_VIEW_BAD_PARENT",     // -52
    L"PRO_TK_CRE_VIEW_BAD_MODEL",      // -51
    L"PRO_TK_CRE_VIEW_BAD_SHEET",      // -50
    L"PRO_TK_CHECKOUT_CONFLICT",       // -49
    L"PRO_TK_CANT_MODIFY",             // -48
    L"PRO_TK_NOT_DISPLAYED",           // -47
    L"PRO_TK_BAD_DIM_ATTACH",          // -46
    L"PRO_TK_EMPTY",                   // -45
    L"PRO_TK_BAD_SRF_CRV",             // -44
    L"PRO_TK_BSPL_MULTI_INNER_KNOTS",  // -43
    L"PRO_TK_BSPL_NON_STD_END_KNOTS",  // -42
    L"PRO_TK_BSPL_UNSUITABLE_DEGREE",  // -41
    L"PRO_TK_NO_LICENSE",              // -40
    L"PRO_TK_E_IN_USE",                // -39
    L"PRO_TK_E_BUSY",                  // -38
    L"PRO_TK_E_DEADLOCK",              // -37
    L"PRO_TK_E_AMBIGUOUS",             // -36
    L"PRO_TK_NO_COORD_SYSTEM",         // -35
    L"PRO_TK_OBSOLETE_FUNC",           // -34
    L"PRO_TK_CANT_ACCESS",             // -33
    L"PRO_TK_MSG_TOO_LONG",            // -32
    L"PRO_TK_MSG_USER_QUIT",           // -31
    L"PRO_TK_MSG_FMT_ERROR",           // -30
    L"PRO_TK_MSG_NO_TRANS",            // -29
    L"PRO_TK_MSG_NOT_FOUND",           // -28
    L"PRO_TK_INVALID_ITEM",            // -27
    L"PRO_TK_NOT_VALID",               // -26
    L"PRO_TK_ABORT",                   // -25
    L"PRO_TK_CANT_OPEN",               // -24
    L"PRO_TK_NOT_EXIST",               // -23
    L"PRO_TK_INVALID_NAME",            // -22
    L"PRO_TK_INVALID_MATRIX",          // -21
    L"PRO_TK_UNAV_SEC",                // -20
    L"PRO_TK_INVALID_PTR",             // -19
    L"PRO_TK_INVALID_TYPE",            // -18
    L"PRO_TK_CANT_WRITE",              // -17
    L"PRO_TK_INVALID_FILE",            // -16
    L"PRO_TK_INVALID_DIR",             // -15
    L"PRO_TK_PICK_ABOVE",              // -14
    L"PRO_TK_SUPP_PARENTS",            // -13
    L"PRO_TK_NO_CHANGE",               // -12
    L"PRO_TK_COMM_ERROR",              // -11
    L"PRO_TK_OUT_OF_MEMORY",           // -10
    L"PRO_TK_NOT_IMPLEMENTED",         // -9
    L"PRO_TK_BAD_CONTEXT",             // -8
    L"PRO_TK_CONTINUE",                // -7
    L"PRO_TK_LINE_TOO_LONG",           // -6
    L"PRO_TK_E_FOUND",                 // -5
    L"PRO_TK_E_NOT_FOUND",             // -4
    L"PRO_TK_USER_ABORT",              // -3
    L"PRO_TK_BAD_INPUTS",              // -2
    L"PRO_TK_GENERAL_ERROR",           // -1
    L"PRO_TK_NO_ERROR",                // 0
};
// clang-format on

}  // namespace

std::wstring ToolkitErrorName(int code) {
  if (code > 0 || code < -99) return std::wstring();
  const wchar_t* name = kNames[code + 99];
  return name ? name : std::wstring();
}

std::wstring ToolkitStatusText(int code) { return fixed::kToolkitStatus + ToolkitErrorName(code); }
