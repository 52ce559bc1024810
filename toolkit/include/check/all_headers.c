/* Compiles every toolkit header together as strict C, so the headers stay
 * usable from C clients; the per-header checks cover each one on its own. */
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

_Static_assert(sizeof(ProProcessHandle) == 2 * sizeof(long), "process handle: an int and a long");
_Static_assert(sizeof(ProLine) == 81 * sizeof(wchar_t), "ProLine holds 81 wide characters");
_Static_assert(PRO_TK_COMM_ERROR == -11, "ProError value");
_Static_assert(PRO_FILE_OPEN_OK == 53, "ProNotifyType value");

/* Callback shapes must match their typedefs when written in C. */
static ProError on_open_ok(ProMdlType type, int sub_type, ProName name) {
  (void)type;
  (void)sub_type;
  (void)name;
  return PRO_TK_NO_ERROR;
}

ProFileOpenOKAction tav_toolkit_check_c_callback = on_open_ok;
