/* ProParamval.h: parameter values (ProParamvalue, defined in ProObjects.h)
 * and the helpers that read and fill them by type. */
#ifndef TAV_TK_PROPARAMVAL_H
#define TAV_TK_PROPARAMVAL_H

#include <ProObjects.h>
#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Sets the value from *value, which points to a double, a wchar_t string, an
 * int or a short according to type. */
ProError ProParamvalueSet(ProParamvalue* proval, const void* value, ProParamvalueType type);

ProError ProParamvalueTypeGet(const ProParamvalue* proval, ProParamvalueType* p_type);

/* Copies the value of the given type to *r_value. */
ProError ProParamvalueValueGet(const ProParamvalue* proval, ProParamvalueType type, void* r_value);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROPARAMVAL_H */
