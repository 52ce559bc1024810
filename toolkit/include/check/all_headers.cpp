// Compiles every toolkit header together as C++ and pins the sizes and
// values that the wire protocol, the simulator and the module rely on.
#include <ProArray.h>
#include <ProAsmcomp.h>
#include <ProConst.h>
#include <ProCore.h>
#include <ProDimension.h>
#include <ProDrawing.h>
#include <ProFeatType.h>
#include <ProFeature.h>
#include <ProMdl.h>
#include <ProMdlUnits.h>
#include <ProMenuBar.h>
#include <ProMessage.h>
#include <ProModelitem.h>
#include <ProNcseq.h>
#include <ProNotify.h>
#include <ProObjects.h>
#include <ProParameter.h>
#include <ProParamval.h>
#include <ProRelSet.h>
#include <ProSizeConst.h>
#include <ProSolid.h>
#include <ProToolkit.h>
#include <ProToolkitErrors.h>
#include <ProUICmd.h>
#include <ProUtil.h>
#include <ProWindows.h>
#include <ProWstring.h>
#include <type_traits>

namespace {

static_assert(sizeof(ProProcessHandle) == 2 * sizeof(long), "process handle: an int and a long");
static_assert(std::is_same<decltype(ProProcessHandle::array_index), int>::value &&
                  std::is_same<decltype(ProProcessHandle::auth_key), long>::value,
              "process handle members");
static_assert(std::is_same<decltype(uiCmdValue::type), uiCmdValueType>::value &&
                  std::is_union<decltype(uiCmdValue::value)>::value,
              "a command value is its type and a union of the values");
static_assert(sizeof(ProBoolean) == sizeof(int), "ProBoolean is int-sized");
static_assert(sizeof(ProName) == 32 * sizeof(wchar_t), "ProName holds 32 wide characters");
static_assert(sizeof(ProLine) == 81 * sizeof(wchar_t), "ProLine holds 81 wide characters");
static_assert(sizeof(ProPath) == 260 * sizeof(wchar_t), "ProPath holds 260 wide characters");
static_assert(sizeof(ProFileName) == 40 * sizeof(wchar_t), "ProFileName holds 40 wide characters");
static_assert(sizeof(ProFamilyName) == 66 * sizeof(wchar_t),
              "ProFamilyName holds 66 wide characters");
static_assert(sizeof(ProMenuItemName) == 32 && sizeof(ProMenuItemLabel) == 81 &&
                  sizeof(ProMenuLineHelp) == 81,
              "menu name and label buffers");
static_assert(sizeof(((ProMdldata*)nullptr)->path) == 260 * sizeof(wchar_t), "ProMdldata path");
static_assert(sizeof(((ProModel*)nullptr)->name) == 80 * sizeof(wchar_t), "ProModel name");

static_assert(PRO_TK_NO_ERROR == 0 && PRO_TK_BAD_INPUTS == -2, "ProError values");
static_assert(PRO_TK_E_NOT_FOUND == -4 && PRO_TK_COMM_ERROR == -11, "ProError values");
static_assert(PRO_TK_NOT_EXIST == -23 && PRO_TK_CANT_MODIFY == -48, "ProError values");
static_assert(PRO_TK_UNSUPPORTED == -58 && PRO_TK_APP_UNLOCK == -99, "ProError values");
static_assert(std::is_same<ProError, ProErr>::value, "ProErr names ProError");
static_assert(std::is_same<ProBoolean, ProBool>::value, "ProBool names ProBoolean");

static_assert(PRO_MDL_RETRIEVE_POST == 18 && PRO_FILE_OPEN_OK == 53, "ProNotifyType values");
static_assert(PRO_CHECKIN_UI_PRE == 83, "ProNotifyType values");
static_assert(PRO_PART == 2 && PRO_FEATURE == 3 && PRO_PARAMETER == 240, "ProType values");
static_assert(PRO_MDL_PART == 2 && PRO_MDL_ASSEMBLY == 1 && PRO_MDL_DRAWING == 4 &&
                  PRO_MDL_UNUSED == -1,
              "ProMdlType values");
static_assert(PROMDLSTYPE_ASM_CLASS_SCAN_SET == 26, "ProMdlsubtype values");
static_assert(PRO_FEAT_COMPONENT == 1000 && PRO_FEAT_DATUM == 923, "feature type values");
static_assert(PRO_PARAM_DOUBLE == 50 && PRO_PARAM_BOOLEAN == 53 && PRO_PARAM_VOID == 57,
              "ProParamvalueType values");
static_assert(ACCESS_REMOVE == -1 && ACCESS_AVAILABLE == 3, "uiCmdAccessState values");
static_assert(PROTERM_EXIT == 1 && PROTERM_SIGNAL == 3, "ProeTerminationStatus values");
static_assert(PRO_FEAT_SUPPRESSED == 5 && PRODIMTYPE_ANGLE == 21 && PRO_TOL_LIMITS == 3,
              "feature status and dimension values");

// ProFeature, ProDimension, ProAsmcomp and ProRelset are one type.
static_assert(std::is_same<ProFeature, ProModelitem>::value &&
                  std::is_same<ProAsmcomp, ProModelitem>::value &&
                  std::is_same<ProRelset, ProModelitem>::value,
              "item handle aliases");

// Argument order of calls whose same-typed arguments are easy to swap.
static_assert(std::is_same<decltype(&ProEngineerConnect),
                           ProError (*)(char*, char*, char*, char*, ProBoolean, unsigned int,
                                        ProBoolean*, ProProcessHandle*)>::value,
              "ProEngineerConnect signature");
static_assert(std::is_same<decltype(&ProEngineerDisconnect),
                           ProError (*)(ProProcessHandle*, unsigned int)>::value,
              "ProEngineerDisconnect signature");
static_assert(
    std::is_same<decltype(&ProParameterVisit), ProError (*)(ProModelitem*, ProParameterFilter,
                                                            ProParameterAction, ProAppData)>::value,
    "ProParameterVisit takes the filter first");
static_assert(std::is_same<decltype(&ProSolidFeatVisit),
                           ProError (*)(ProSolid, ProFeatureVisitAction, ProFeatureFilterAction,
                                        ProAppData)>::value,
              "ProSolidFeatVisit takes the action first");
static_assert(std::is_same<decltype(&ProEventProcess), void (*)()>::value,
              "ProEventProcess returns void");
static_assert(std::is_same<decltype(&ProStringToWstring), wchar_t* (*)(wchar_t*, char*)>::value,
              "ProStringToWstring returns its buffer");

}  // namespace
