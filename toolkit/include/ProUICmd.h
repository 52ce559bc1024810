/* ProUICmd.h: named commands (actions) that menu buttons run, and the
 * access functions that decide whether a button is shown and usable.
 *
 * Actions and access functions are called by the session inside
 * ProEventProcess. Command and access ids are opaque handles owned by the
 * session. */
#ifndef TAV_TK_PROUICMD_H
#define TAV_TK_PROUICMD_H

#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum ui_cmd_access_state {
  ACCESS_REMOVE = -1,     /* hidden; an emptied parent menu may go too */
  ACCESS_INVISIBLE = 0,   /* hidden */
  ACCESS_UNAVAILABLE = 1, /* shown greyed out */
  ACCESS_DISALLOW = 2,    /* looks enabled, but the command does not run */
  ACCESS_AVAILABLE = 3    /* normal */
} uiCmdAccessState;

typedef enum ui_cmd_access_mode { MODE_BLIND = 0, MODE_ERROR_MSG_ALLOWED = 1 } uiCmdAccessMode;

/* When an action runs relative to the session's own work. */
typedef int uiCmdPriority;
#define uiCmdPrioDefault 0
#define uiProeImmediate 2
#define uiProeAsynch 3
#define uiProe2ndImmediate 5
#define uiProe3rdImmediate 6
#define uiCmdNoPriority 999

typedef enum ui_cmd_value_type {
  UI_CMD_VAL_NONE = 0,
  UI_CMD_VAL_INT = 1,
  UI_CMD_VAL_BOOL = 2,
  UI_CMD_VAL_DOUBLE = 3,
  UI_CMD_VAL_STRING = 4,
  UI_CMD_VAL_WSTRING = 5,
  UI_CMD_VAL_STRING_ARRAY = 6
} uiCmdValueType;

typedef void* uiCmdCmdId;
typedef void* uiCmdAccessId;

/* The value a command was invoked with (push buttons carry none). The
 * published form fixes the members `type` and `value` (a union); the union's
 * members below, one per uiCmdValueType, are not published: portable code
 * reads none of them. */
typedef struct ui_cmd_value {
  uiCmdValueType type;
  union {
    int i_val;
    ProBoolean b_val;
    double d_val;
    char* s_val;
    wchar_t* w_val;
    char** sa_val;
  } value;
} uiCmdValue;

/* Runs the command; the return value is ignored. */
typedef int (*uiCmdCmdActFn)(uiCmdCmdId command, uiCmdValue* p_value, void* p_push_command_data);

/* Decides the button's state. */
typedef uiCmdAccessState (*uiCmdAccessFn)(uiCmdAccessMode access_mode);

/* Adds a named action, once per session; PRO_TK_E_FOUND when the name is
 * taken. */
ProError ProCmdActionAdd(char* action_name, uiCmdCmdActFn action_cb, uiCmdPriority priority,
                         uiCmdAccessFn access_func, ProBoolean allow_in_non_active_window,
                         ProBoolean allow_in_accessory_window, uiCmdCmdId* action_id);

/* Finds a command (the application's or the session's own) by name. */
ProError ProCmdCmdIdFind(char* cmd_name, uiCmdCmdId* cmd_id);

/* Adds a further access function to a command. */
ProError ProCmdAccessFuncAdd(uiCmdCmdId cmd_id, uiCmdAccessFn access_func,
                             uiCmdAccessId* access_id);

ProError ProCmdAccessFuncRemove(uiCmdCmdId cmd_id, uiCmdAccessId access_id);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROUICMD_H */
