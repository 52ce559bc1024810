/* ProFeatType.h: feature type numbers (ProFeattype is a plain int). */
#ifndef TAV_TK_PROFEATTYPE_H
#define TAV_TK_PROFEATTYPE_H

#ifdef __cplusplus
extern "C" {
#endif

typedef int ProFeattype;

#define PRO_FEAT_FIRST_FEAT 0 /* the base feature of a part (a protrusion) */
#define PRO_FEAT_HOLE 911
#define PRO_FEAT_SHAFT 912
#define PRO_FEAT_ROUND 913
#define PRO_FEAT_CHAMFER 914
#define PRO_FEAT_SLOT 915
#define PRO_FEAT_CUT 916
#define PRO_FEAT_PROTRUSION 917
#define PRO_FEAT_RIB 920
#define PRO_FEAT_DATUM 923 /* datum plane */
#define PRO_FEAT_UDF 925
#define PRO_FEAT_DATUM_AXIS 926
#define PRO_FEAT_DRAFT 927
#define PRO_FEAT_SHELL 928
#define PRO_FEAT_DATUM_POINT 931
#define PRO_FEAT_COSMETIC 933
#define PRO_FEAT_DATUM_SURF 942
#define PRO_FEAT_DATUM_QUILT 946
#define PRO_FEAT_CURVE 949
#define PRO_FEAT_CSYS 979
#define PRO_FEAT_COMPONENT 1000 /* assembly component */
#define PRO_FEAT_GROUP_HEAD 1104
#define PRO_FEAT_PATTERN_HEAD 1232

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROFEATTYPE_H */
