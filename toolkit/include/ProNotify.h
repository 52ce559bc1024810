/* ProNotify.h: session events an application can subscribe to.
 *
 * ProNotificationSet binds one callback per event (a second call replaces the
 * first); the callback runs inside ProEventProcess. Each event's callback has
 * its own signature, given by the typedef named after the event; cast it to
 * ProFunction when registering. Values are fixed: new events were appended,
 * never renumbered. */
#ifndef TAV_TK_PRONOTIFY_H
#define TAV_TK_PRONOTIFY_H

#include <ProObjects.h>
#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum pro_notify_type {
  PRO_NOTIFY_NOT_USED = -1,
  PRO_NOTIFY_UNASSIGNED = 0,
  PRO_MDL_SAVE_PRE = 1,
  PRO_MDL_SAVE_POST = 2,
  PRO_MDL_SAVE_POST_ALL = 3,
  PRO_MDL_COPY_PRE = 4,
  PRO_MDL_COPY_POST = 5,
  PRO_MDL_COPY_POST_ALL = 6,
  PRO_MDL_RENAME_PRE = 7,
  PRO_MDL_RENAME_POST = 8,
  PRO_MDL_ERASE_PRE = 9,
  PRO_MDL_ERASE_POST = 10,
  PRO_MDL_ERASE_POST_ALL = 11,
  PRO_MDL_PURGE_PRE = 12,
  PRO_MDL_PURGE_POST = 13,
  PRO_MDL_DELETE_PRE = 14,
  PRO_MDL_DELETE_POST = 15,
  PRO_MDL_DELETE_POST_ALL = 16,
  PRO_DUMMY_NOTIFY_1 = 17,
  PRO_MDL_RETRIEVE_POST = 18, /* the user opened a model explicitly */
  PRO_MDL_RETRIEVE_POST_ALL = 19,
  PRO_MDL_DBMS_FAILURE = 20,
  PRO_SOLID_REGEN_PRE = 21,
  PRO_SOLID_REGEN_POST = 22,
  PRO_DIRECTORY_CHANGE_POST = 23,
  PRO_WINDOW_CHANGE_POST = 24,
  PRO_MDL_DISPLAY_PRE = 25,
  PRO_MDL_DISPLAY_POST = 26,
  PRO_NCSEQ_CL_POST = 27,
  PRO_MFGOPER_CL_POST = 28,
  PRO_FEATURE_CREATE_POST = 29,
  PRO_FEATURE_COPY_POST = 30,
  PRO_FEATURE_DELETE_PRE = 31,
  PRO_FEATURE_DELETE_POST = 32,
  PRO_FEATURE_SUPPRESS_PRE = 33,
  PRO_FEATURE_SUPPRESS_POST = 34,
  PRO_FEATURE_REGEN_PRE = 35,
  PRO_FEATURE_REGEN_POST = 36,
  PRO_PARAM_CREATE_PRE = 37,
  PRO_PARAM_MODIFY_PRE = 38,
  PRO_PARAM_DELETE_PRE = 39,
  PRO_DUMMY_NOTIFY_2 = 40,
  PRO_MDL_CREATE_POST = 41,
  PRO_FEATURE_REGEN_FAILURE = 42,
  PRO_NCL_COMMAND_EXPAND = 43,
  PRO_NCL_COMMAND_GET_LOC = 44,
  PRO_RMDT_CREATE_IMM_PRE = 45,
  PRO_RMDT_BOUND_BOX_PRE = 46,
  PRO_RMDT_CAV_LAYOUT_PRE = 47,
  PRO_RMDT_CREATE_WP_PRE = 48,
  PRO_RMDT_MATERIAL_PRE = 49,
  PRO_RMDT_MBASE_SELECT_PRE = 50,
  PRO_FEATURE_CREATE_PRE = 51,
  PRO_FEATURE_REDEFINE_PRE = 52,
  PRO_FILE_OPEN_OK = 53, /* the user confirmed a new model in File > New */
  PRO_MDL_CREATE_PRE = 54,
  PRO_MDL_RETRIEVE_PRE = 55,
  PRO_MDL_BACKUP_PRE = 56,  /* obsolete */
  PRO_MDL_BACKUP_POST = 57, /* obsolete */
  PRO_SOLID_UNIT_CONVERT_PRE = 58,
  PRO_SOLID_UNIT_CONVERT_POST = 59,
  PRO_DRAWING_WELD_SYMPATH_GET = 60,
  PRO_DRAWING_WELD_GROUPS_GET = 61,
  PRO_DRAWING_WELD_SYMTEXT_GET = 62,
  PRO_MDL_CREATE_CANCEL = 63,
  PRO_DIM_MODIFY_VALUE_PRE = 64,
  PRO_FEATURE_REDEFINE_POST = 65,
  PRO_FEATURE_REROUTE_PRE = 66,
  PRO_FEATURE_REROUTE_POST = 67,
  PRO_FEATURE_REPLACE_PRE = 68,
  PRO_FEATURE_REPLACE_POST = 69,
  PRO_MDL_START = 70,
  PRO_GLOBAL_INTERF_CALC_POST = 71,
  PRO_POPUPMENU_CREATE_POST = 72,
  PRO_POPUPMENU_DESTROY_PRE = 73,
  PRO_ASMCOMP_ACTIVATE_PRE = 74,
  PRO_ASMCOMP_ACTIVATE_POST = 75,
  PRO_SOLID_PRINC_SYS_UNITS_RENAMED_POST = 76,
  PRO_GROUP_UNGROUP_PRE = 77,
  PRO_GROUP_UNGROUP_POST = 78,
  PRO_UDF_LIB_COMPLETE_POST = 79,
  PRO_PARAM_CREATE_POST = 80,
  PRO_PARAM_MODIFY_POST = 81,
  PRO_PARAM_DELETE_POST = 82,
  PRO_CHECKIN_UI_PRE = 83
} ProNotifyType;

/* PRO_FILE_OPEN_OK: a new model's kind, subtype (a ProMdlsubtype value) and
 * name. PRO_TK_NO_ERROR lets the creation go ahead; anything else keeps the
 * dialog open. */
typedef ProError (*ProFileOpenOKAction)(ProMdlType mdl_type, int sub_type, ProName model_name);

/* PRO_MDL_RETRIEVE_POST: the model the user opened (not its dependents). */
typedef ProError (*ProMdlRetrievePostAction)(ProModel* p_retrieved_mdl);

/* Other model events. */
typedef ProError (*ProMdlSavePostAction)(ProMdldata* p_saved_mdl);
typedef ProError (*ProMdlCreatePostAction)(ProModel* p_created_mdl);
typedef ProError (*ProMdlDeletePostAction)(ProModel* p_deleted_mdl);
typedef ProError (*ProMdlDeletePostAllAction)(ProMdldata* p_deleted_mdl);
typedef ProError (*ProMdlErasePreAction)(void);
typedef ProError (*ProMdlDeletePreAction)(void);
typedef ProError (*ProMdlDisplayPreAction)(ProMdl model);
typedef ProError (*ProMdlDisplayPostAction)(void);

/* Session and feature events. */
typedef ProError (*ProWindowChangePostAction)(void);
typedef ProError (*ProDirectoryChangePostAction)(ProPath new_path);
typedef ProError (*ProFeatureCreatePostAction)(ProFeature* p_feature);
typedef ProError (*ProFeatureDeletePostAction)(ProFeature* p_feature);

/* Binds notify_function to the event, replacing an earlier binding. */
ProError ProNotificationSet(ProNotifyType type, ProFunction notify_function);

/* Removes the event's binding. */
ProError ProNotificationUnset(ProNotifyType type);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PRONOTIFY_H */
