/* ProFeature.h: features of a solid: lookup by id, kind, names, status in
 * the model, pattern/group membership, and their dimensions.
 *
 * A ProFeature is a ProModelitem of type PRO_FEATURE owned by a solid. */
#ifndef TAV_TK_PROFEATURE_H
#define TAV_TK_PROFEATURE_H

#include <ProDimension.h>
#include <ProFeatType.h>
#include <ProObjects.h>
#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum pro_feat_status {
  PRO_FEAT_INVALID = -1,
  PRO_FEAT_ACTIVE = 0,
  PRO_FEAT_INACTIVE = 1,
  PRO_FEAT_FAMTAB_SUPPRESSED = 2,
  PRO_FEAT_SIMP_REP_SUPPRESSED = 3,
  PRO_FEAT_PROG_SUPPRESSED = 4,
  PRO_FEAT_SUPPRESSED = 5,
  PRO_FEAT_UNREGENERATED = 6
} ProFeatStatus;

typedef enum pro_pattern_status {
  PRO_PATTERN_INVALID = -1,
  PRO_PATTERN_NONE = 0,
  PRO_PATTERN_LEADER = 1,
  PRO_PATTERN_MEMBER = 2,
  PRO_PATTERN_HEADER = 3
} ProPatternStatus;

typedef enum pro_group_status {
  PRO_GROUP_INVALID = -1,
  PRO_GROUP_NONE = 0,
  PRO_GROUP_MEMBER = 1
} ProGroupStatus;

typedef enum pro_grppattern_status {
  PRO_GRP_PATTERN_INVALID = -1,
  PRO_GRP_PATTERN_NONE = 0,
  PRO_GRP_PATTERN_LEADER = 1,
  PRO_GRP_PATTERN_MEMBER = 2,
  PRO_GRP_PATTERN_HEADER = 3
} ProGrppatternStatus;

/* PRO_TK_NOT_EXIST when the solid has no feature with that id. */
ProError ProFeatureInit(ProSolid p_owner_handle, int feat_id, ProFeature* p_feat_handle);

ProError ProFeatureTypeGet(ProFeature* p_feat_handle, ProFeattype* p_type);

/* The type's display name (a user-interface label, not an identifier). */
ProError ProFeatureTypenameGet(ProFeature* feature, ProName feattypename);

ProError ProFeatureSubtypeGet(ProFeature* feature, ProLine subtype);

ProError ProFeatureIsIncomplete(ProFeature* p_feat_handle, ProBoolean* p_is_incomplete);
ProError ProFeatureIsReadonly(ProFeature* p_feat_handle, ProBoolean* r_is_read_only);

ProError ProFeatureStatusGet(ProFeature* p_feat_handle, ProFeatStatus* p_status);

/* FALSE for internal features the user never sees. */
ProError ProFeatureVisibilityGet(ProFeature* p_feat_handle, ProBoolean* p_visible);

ProError ProFeaturePatternStatusGet(ProFeature* p_feat_handle, ProPatternStatus* p_pattern_status);
ProError ProFeatureGroupStatusGet(ProFeature* p_feat_handle, ProGroupStatus* p_group_status);
ProError ProFeatureGrppatternStatusGet(ProFeature* p_feat_handle,
                                       ProGrppatternStatus* p_grp_pattern_status);

/* Visits the feature's dimensions (filter NULL = all). PRO_TK_E_NOT_FOUND when
 * none was visited; otherwise the action's first non-NO_ERROR result. */
ProError ProFeatureDimensionVisit(ProFeature* feature, ProDimensionVisitAction visit,
                                  ProDimensionFilterAction filter, ProAppData data);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROFEATURE_H */
