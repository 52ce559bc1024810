/* ProParameter.h: named parameters of a model or of an item (feature, ...).
 *
 * A ProParameter is found by name on its owner (a ProModelitem; use
 * ProMdlToModelitem for the model itself). Note the visit's argument order:
 * filter BEFORE action, unlike the feature and dimension visits. */
#ifndef TAV_TK_PROPARAMETER_H
#define TAV_TK_PROPARAMETER_H

#include <ProObjects.h>
#include <ProParamval.h>
#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef ProError (*ProParameterAction)(ProParameter* param, ProError status, ProAppData data);
/* Returns PRO_TK_CONTINUE to skip a parameter. */
typedef ProError (*ProParameterFilter)(ProParameter* param, ProAppData data);

/* PRO_TK_BAD_CONTEXT when the owner does not exist, PRO_TK_E_NOT_FOUND when it
 * has no parameter of that name. */
ProError ProParameterInit(ProModelitem* owner, ProName name, ProParameter* param);

/* PRO_TK_E_FOUND when the owner already has a parameter of that name. */
ProError ProParameterCreate(ProModelitem* owner, ProName name, ProParamvalue* proval,
                            ProParameter* param);

ProError ProParameterDelete(ProParameter* param);

ProError ProParameterValueGet(ProParameter* param, ProParamvalue* proval);
ProError ProParameterValueSet(ProParameter* param, ProParamvalue* proval);

/* Visits the owner's parameters (filter NULL = all); PRO_TK_E_NOT_FOUND when
 * it has none. */
ProError ProParameterVisit(ProModelitem* owner, ProParameterFilter filter,
                           ProParameterAction action, ProAppData data);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROPARAMETER_H */
