/* ProRelSet.h: relation sets (lines like "d1 = d0 / 2") of a model or item.
 *
 * Relation lines travel as ProArrays of ProWstring: for reading, the caller
 * allocates the array with ProArrayAlloc and frees it with
 * ProWstringproarrayFree. */
#ifndef TAV_TK_PRORELSET_H
#define TAV_TK_PRORELSET_H

#include <ProObjects.h>
#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Anything but PRO_TK_NO_ERROR means the item has no relation set. */
ProError ProModelitemToRelset(ProModelitem* p_item, ProRelset* p_relset);

/* PRO_TK_E_FOUND when the item already has one. */
ProError ProRelsetCreate(ProModelitem* p_item, ProRelset* p_relset);

ProError ProRelsetRelationsGet(ProRelset* p_relset, ProWstring** p_line_array);

/* Replaces all relations of the set. */
ProError ProRelsetRelationsSet(ProRelset* p_relset, ProWstring* line_array, int n_lines);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PRORELSET_H */
