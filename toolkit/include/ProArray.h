/* ProArray.h: the toolkit's growable arrays.
 *
 * A ProArray is a pointer to its first element; the bookkeeping lives before
 * it. Calls that may reallocate take the array's ADDRESS. Arrays the toolkit
 * returns are owned by the caller, who frees them with ProArrayFree. */
#ifndef TAV_TK_PROARRAY_H
#define TAV_TK_PROARRAY_H

#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

/* n_objs initial elements of obj_size bytes; grows by at least
 * reallocation_size elements at a time. */
ProError ProArrayAlloc(int n_objs, int obj_size, int reallocation_size, ProArray* p_array);

ProError ProArraySizeGet(ProArray array, int* p_size);

/* Inserts n_objects elements copied from p_object at index (a negative index,
 * e.g. PRO_VALUE_UNUSED, appends). */
ProError ProArrayObjectAdd(ProArray* p_array, int index, int n_objects, void* p_object);

ProError ProArrayFree(ProArray* p_array);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROARRAY_H */
