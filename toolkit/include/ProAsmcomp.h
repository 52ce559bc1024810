/* ProAsmcomp.h: component features of an assembly and the models they use. */
#ifndef TAV_TK_PROASMCOMP_H
#define TAV_TK_PROASMCOMP_H

#include <ProObjects.h>
#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The component's model; PRO_TK_E_NOT_FOUND when it is not in memory. */
ProError ProAsmcompMdlGet(ProAsmcomp* p_feat_handle, ProMdl* p_mdl_handle);

/* The component model's kind and name, also when it is not in memory. */
ProError ProAsmcompMdlNameGet(ProAsmcomp* p_asm_comp_handle, ProMdlType* r_mdl_type,
                              ProFamilyName r_mdl_name);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROASMCOMP_H */
