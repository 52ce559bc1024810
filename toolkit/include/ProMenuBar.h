/* ProMenuBar.h: menus and push buttons on the session's menu bar.
 *
 * Labels and help texts are keys looked up in the named message file. A
 * neighbor of NULL places the first item of a menu; a repeated name is
 * ignored for the rest of the session. */
#ifndef TAV_TK_PROMENUBAR_H
#define TAV_TK_PROMENUBAR_H

#include <ProObjects.h>
#include <ProToolkit.h>
#include <ProUICmd.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef char ProMenuItemName[PRO_MENU_NAME_SIZE];
typedef char ProMenuName[PRO_MENU_NAME_SIZE];
typedef char ProMenufileName[PRO_MENU_NAME_SIZE];
typedef char ProMenubuttonName[PRO_MENU_NAME_SIZE];
typedef char ProMenuItemLabel[PRO_MENU_LABEL_SIZE];
typedef char ProMenuLineHelp[PRO_MENU_LABEL_SIZE];
typedef char ProMenuDescription[PRO_MENU_LABEL_SIZE];

/* A top-level menu next to `neighbor`. */
ProError ProMenubarMenuAdd(ProMenuItemName menu_name, ProMenuItemLabel untranslated_menu_label,
                           ProMenuItemName neighbor, ProBoolean add_after_neighbor,
                           ProFileName filename);

/* A submenu of parent_menu. */
ProError ProMenubarmenuMenuAdd(ProMenuItemName parent_menu, ProMenuItemName menu_name,
                               ProMenuItemLabel menu_label, ProMenuItemName neighbor,
                               ProBoolean add_after_neighbor, ProFileName filename);

/* A button of parent_menu that runs action_id (from ProCmdActionAdd). */
ProError ProMenubarmenuPushbuttonAdd(ProMenuItemName parent_menu, ProMenuItemName push_button_name,
                                     ProMenuItemLabel push_button_label,
                                     ProMenuLineHelp one_line_help, ProMenuItemName neighbor,
                                     ProBoolean add_after_neighbor, uiCmdCmdId action_id,
                                     ProFileName filename);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROMENUBAR_H */
