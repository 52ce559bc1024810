/* ProModelitem.h: any item of a model by id and kind, and its name. */
#ifndef TAV_TK_PROMODELITEM_H
#define TAV_TK_PROMODELITEM_H

#include <ProObjects.h>
#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

/* PRO_TK_NOT_EXIST when the owner has no item of that id and kind. */
ProError ProModelitemInit(ProMdl p_owner_handle, int item_id, ProType item_type,
                          ProModelitem* p_handle);

/* PRO_TK_E_NOT_FOUND when the item has no name. */
ProError ProModelitemNameGet(ProModelitem* p_item, ProName name);

/* PRO_TK_E_FOUND when another item of the model has the name. */
ProError ProModelitemNameSet(ProModelitem* p_item, ProName name);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROMODELITEM_H */
