/* ProMdlUnits.h: units of measure of models and parameters. */
#ifndef TAV_TK_PROMDLUNITS_H
#define TAV_TK_PROMDLUNITS_H

#include <ProObjects.h>
#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

/* PRO_TK_E_NOT_FOUND when the parameter has no unit. */
ProError ProParameterUnitsGet(ProParameter* param, ProUnititem* units);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROMDLUNITS_H */
