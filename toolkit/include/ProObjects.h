/* ProObjects.h: object kinds, model kinds and the common value types.
 *
 * Declares ProType (the kind of any model item), ProMdlType and ProMdlsubtype,
 * the fixed-size string buffers, the model item handle ProModelitem with its
 * many aliases, the model descriptions ProModel and ProMdldata, and parameter
 * values. All are plain data the caller owns. Wide buffers hold wchar_t, which
 * is 32 bits (UTF-32) on POSIX: a ProLine is 81 * 4 bytes here. */
#ifndef TAV_TK_PROOBJECTS_H
#define TAV_TK_PROOBJECTS_H

#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum pro_obj_types {
  PRO_TYPE_DIR = -5,
  PRO_TYPE_INVALID = -2,
  PRO_TYPE_UNUSED = PRO_VALUE_UNUSED,
  PRO_ASSEMBLY = 1,
  PRO_PART = 2,
  PRO_FEATURE = 3,
  PRO_DRAWING = 4,
  PRO_SURFACE = 5,
  PRO_EDGE = 6,
  PRO_3DSECTION = 7,
  PRO_DIMENSION = 8,
  PRO_2DSECTION = 11,
  PRO_PAT_MEMBER = 12,
  PRO_PAT_LEADER = 13,
  PRO_XSEC = 18,
  PRO_LAYOUT = 19,
  PRO_AXIS = 21,
  PRO_CSYS = 25,
  PRO_REF_DIMENSION = 28,
  PRO_GTOL = 32,
  PRO_DWGFORM = 33,
  PRO_SUB_ASSEMBLY = 34,
  PRO_MFG = 37,
  PRO_SURF_FIN = 42,
  PRO_QUILT = 57,
  PRO_CURVE = 62,
  PRO_POINT = 66,
  PRO_NOTE = 68,
  PRO_SYMBOL_INSTANCE = 76,
  PRO_DRAW_TABLE = 84,
  PRO_VIEW = 92,
  PRO_REPORT = 105,
  PRO_MARKUP = 116,
  PRO_LAYER = 117,
  PRO_DIAGRAM = 121,
  PRO_DATUM_PLANE = 176,
  PRO_COMP_CRV = 180,
  PRO_PARAMETER = 240,
  PRO_SIMP_REP = 309,
  PRO_RELSET = 533,
  PRO_CONTOUR = 1000,
  PRO_GROUP = 1001,
  PRO_UDF = 1002,
  PRO_FAMILY_TABLE = 1003,
  PRO_PATREL_FIRST_DIR = 10018,
  PRO_PATREL_SECOND_DIR = 10019
} ProType;

/* Model kinds; each value equals the matching ProType. */
typedef enum pro_mdl_types {
  PRO_MDL_UNUSED = PRO_VALUE_UNUSED,
  PRO_MDL_ASSEMBLY = PRO_ASSEMBLY,
  PRO_MDL_PART = PRO_PART,
  PRO_MDL_DRAWING = PRO_DRAWING,
  PRO_MDL_3DSECTION = PRO_3DSECTION,
  PRO_MDL_2DSECTION = PRO_2DSECTION,
  PRO_MDL_LAYOUT = PRO_LAYOUT,
  PRO_MDL_DWGFORM = PRO_DWGFORM,
  PRO_MDL_MFG = PRO_MFG,
  PRO_MDL_REPORT = PRO_REPORT,
  PRO_MDL_MARKUP = PRO_MARKUP,
  PRO_MDL_DIAGRAM = PRO_DIAGRAM
} ProMdlType;

/* The finer kind of a model (sheet-metal part, mold assembly, ...). */
typedef enum pro_mdl_subtypes {
  PROMDLSTYPE_NONE = 0,
  PROMDLSTYPE_BULK = 1,
  PROMDLSTYPE_PART_SOLID = 2,
  PROMDLSTYPE_PART_COMPOSITE = 3,
  PROMDLSTYPE_PART_SHEETMETAL = 4,
  PROMDLSTYPE_PART_CONCEPT_MODEL = 5,
  PROMDLSTYPE_ASM_DESIGN = 6,
  PROMDLSTYPE_ASM_INTERCHANGE = 7,
  PROMDLSTYPE_ASM_INTCHG_SUBST = 8,
  PROMDLSTYPE_ASM_INTCHG_FUNC = 9,
  PROMDLSTYPE_ASM_CLASS_CAV = 10,
  PROMDLSTYPE_ASM_VERIFY = 11,
  PROMDLSTYPE_ASM_PROCPLAN = 12,
  PROMDLSTYPE_ASM_NCMODEL = 13,
  PROMDLSTYPE_MFG_NCASM = 14,
  PROMDLSTYPE_MFG_NCPART = 15,
  PROMDLSTYPE_MFG_EXPMACH = 16,
  PROMDLSTYPE_MFG_CMM = 17,
  PROMDLSTYPE_MFG_SHEETMETAL = 18,
  PROMDLSTYPE_MFG_CAST = 19,
  PROMDLSTYPE_MFG_MOLD = 20,
  PROMDLSTYPE_MFG_DIEFACE = 21,
  PROMDLSTYPE_MFG_HARNESS = 22,
  PROMDLSTYPE_MFG_PROCPLAN = 23,
  PROMDLSTYPE_REGEN_BACKUP = 24,
  PROMDLSTYPE_OLD_REG_MFG = 25,
  PROMDLSTYPE_ASM_CLASS_SCAN_SET = 26
} ProMdlsubtype;

/* Fixed-size string buffers; lengths include the terminating NUL. */
typedef wchar_t ProName[PRO_NAME_SIZE];
typedef wchar_t ProLine[PRO_LINE_SIZE];
typedef wchar_t ProPath[PRO_PATH_SIZE];
typedef wchar_t ProFileName[PRO_FILE_NAME_SIZE];
typedef wchar_t ProComment[PRO_COMMENT_SIZE];
typedef wchar_t ProFamilyName[PRO_FAMILY_NAME_SIZE];
typedef char ProCharName[PRO_NAME_SIZE];
typedef char ProCharLine[PRO_LINE_SIZE];
typedef char ProCharPath[PRO_PATH_SIZE];

/* Any item of a model: its kind, its id within the owner, and the owner. The
 * handle is a value; it stays meaningful while the owner is in session. */
typedef struct pro_model_item {
  ProType type;
  int id;
  ProMdl owner;
} ProModelitem;

typedef ProModelitem ProFeature;   /* type PRO_FEATURE */
typedef ProModelitem ProDimension; /* type PRO_DIMENSION or PRO_REF_DIMENSION */
typedef ProModelitem ProGeomitem;
typedef ProModelitem ProAsmcomp; /* a component feature of an assembly */
typedef ProModelitem ProRelset;  /* the relation set of a model or item */
typedef ProModelitem ProLayer;
typedef ProModelitem ProNote;
typedef ProModelitem ProSimprep;

/* Name and file type of a model (e.g. L"BRACKET", L"PRT"). */
typedef struct pro_model {
  wchar_t name[PRO_MDLDATA_NAME_SIZE];
  wchar_t type[PRO_MDLDATA_TYPE_SIZE];
} ProModel;

/* Where a model's file lives: device + path + name + "." + type + "." +
 * version composes its full file name. */
typedef struct pro_mdl_data {
  wchar_t name[PRO_MDLDATA_NAME_SIZE];
  wchar_t type[PRO_MDLDATA_TYPE_SIZE];
  wchar_t path[PRO_PATH_SIZE];
  wchar_t device[PRO_MDLDATA_DEVICE_SIZE];
  wchar_t host[PRO_MDLDATA_HOST_SIZE];
  int version;
  int subclass;
} ProMdldata;

/* Parameter values. Values 55 and 56 are unused. */
typedef enum param_value_types {
  PRO_PARAM_DOUBLE = 50,  /* d_val */
  PRO_PARAM_STRING = 51,  /* s_val */
  PRO_PARAM_INTEGER = 52, /* i_val */
  PRO_PARAM_BOOLEAN = 53, /* l_val, 0 or 1 */
  PRO_PARAM_NOTE_ID = 54, /* i_val */
  PRO_PARAM_VOID = 57     /* no value */
} ProParamvalueType;

typedef union pro_paramvalue_value {
  double d_val;
  int i_val;
  short l_val;
  ProLine s_val; /* embedded, not a pointer */
} ProParamvalueValue;

typedef struct pro_paramvalue {
  ProParamvalueType type;
  ProParamvalueValue value;
} ProParamvalue;

/* Who owns a parameter: a model, or an item (feature, ...) of a model. */
typedef enum pro_param_from { PRM_MODEL = 0, PRM_ITEM = 1 } ProParamfrom;

typedef struct pro_param_owner {
  ProParamfrom type;
  union {
    ProModelitem item; /* PRM_ITEM */
    ProMdl model;      /* PRM_MODEL */
  } who;
} ProParamowner;

/* A parameter handle: found by name on its owner. */
typedef struct pro_parameter {
  ProType type; /* PRO_PARAMETER */
  ProName id;   /* the parameter's name */
  ProParamowner owner;
} ProParameter;

/* A unit of measure of a model. */
typedef struct pro_unit_item {
  ProMdl owner;
  ProName name;
} ProUnititem;

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROOBJECTS_H */
