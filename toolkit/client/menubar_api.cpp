// Menus and push buttons on the session's menu bar.
#include <ProMenuBar.h>

#include "toolkit/client/c_edge.h"
#include "toolkit/client/call.h"
#include "toolkit/client/wide_text.h"
#include "toolkit/client/wire_types.h"

using namespace tkclient;

extern "C" {

ProError ProMenubarMenuAdd(ProMenuItemName menu_name, ProMenuItemLabel untranslated_menu_label,
                           ProMenuItemName neighbor, ProBoolean add_after_neighbor,
                           ProFileName filename) try {
  if (!menu_name || !untranslated_menu_label || !filename) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    return InvokeCode<method::ProMenubarMenuAdd>(
        std::string(menu_name), std::string(untranslated_menu_label), NarrowArg(neighbor),
        add_after_neighbor ? 1 : 0, ToUtf8(filename));
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProMenubarmenuMenuAdd(ProMenuItemName parent_menu, ProMenuItemName menu_name,
                               ProMenuItemLabel menu_label, ProMenuItemName neighbor,
                               ProBoolean add_after_neighbor, ProFileName filename) try {
  if (!parent_menu || !menu_name || !menu_label || !filename) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    return InvokeCode<method::ProMenubarmenuMenuAdd>(
        std::string(parent_menu), std::string(menu_name), std::string(menu_label),
        NarrowArg(neighbor), add_after_neighbor ? 1 : 0, ToUtf8(filename));
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProMenubarmenuPushbuttonAdd(ProMenuItemName parent_menu, ProMenuItemName push_button_name,
                                     ProMenuItemLabel push_button_label,
                                     ProMenuLineHelp one_line_help, ProMenuItemName neighbor,
                                     ProBoolean add_after_neighbor, uiCmdCmdId action_id,
                                     ProFileName filename) try {
  if (!parent_menu || !push_button_name || !push_button_label || !one_line_help || !action_id ||
      !filename)
    return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    return InvokeCode<method::ProMenubarmenuPushbuttonAdd>(
        std::string(parent_menu), std::string(push_button_name), std::string(push_button_label),
        std::string(one_line_help), NarrowArg(neighbor), add_after_neighbor ? 1 : 0,
        IdToWire(action_id), ToUtf8(filename));
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

}  // extern "C"
