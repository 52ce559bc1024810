/* ProDrawing.h: drawings and the solids they show. */
#ifndef TAV_TK_PRODRAWING_H
#define TAV_TK_PRODRAWING_H

#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The models explicitly added to the drawing (for an assembly, only its
 * root), as a ProArray the caller frees; PRO_TK_E_NOT_FOUND when none. */
ProError ProDrawingSolidsCollect(ProDrawing drawing, ProSolid** solids);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PRODRAWING_H */
