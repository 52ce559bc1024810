/* ProSolid.h: parts and assemblies as wholes: their features in order, the
 * features that failed, regeneration.
 *
 * The id and status arrays are ProArrays the CALLER allocates with
 * ProArrayAlloc beforehand; the calls append to them. */
#ifndef TAV_TK_PROSOLID_H
#define TAV_TK_PROSOLID_H

#include <ProFeature.h>
#include <ProObjects.h>
#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ProSolidRegenerate flags, combined with |. */
#define PRO_REGEN_NO_FLAGS 0
#define PRO_REGEN_CAN_FIX 1 /* allow the interactive fix-model mode */
#define PRO_REGEN_SKIP_DISALLOW_SYS_RECOVER 2
#define PRO_REGEN_UPDATE_INSTS 4
#define PRO_REGEN_RGN_BCK_USING_DISK 8 /* obsolete */
#define PRO_REGEN_FORCE_REGEN 16
#define PRO_REGEN_UPDATE_ASSEMBLY_ONLY 32
#define PRO_REGEN_RESUME_EXCL_COMPS 64

/* Feature visit callbacks; same protocol as the dimension visit. */
typedef ProError (*ProFeatureVisitAction)(ProFeature* p_feature, ProError status, ProAppData data);
typedef ProError (*ProFeatureFilterAction)(ProFeature* p_feature, ProAppData data);

/* Every feature id with its status, in model order. */
ProError ProSolidFeatstatusGet(ProSolid solid, int** p_feat_id_array,
                               ProFeatStatus** p_status_array, int* p_num_features);

/* Ids of the features that failed; PRO_TK_E_NOT_FOUND when none did. */
ProError ProSolidFailedFeatsList(ProSolid solid, int** r_failed_feat_ids);

/* PRO_TK_GENERAL_ERROR when regeneration failed. */
ProError ProSolidRegenerate(ProSolid p_handle, int flags);

/* Visits all features, internal ones included (filter NULL = all). */
ProError ProSolidFeatVisit(ProSolid p_handle, ProFeatureVisitAction visit_action,
                           ProFeatureFilterAction filter_action, ProAppData app_data);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROSOLID_H */
