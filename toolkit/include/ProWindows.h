/* ProWindows.h: the session's windows, identified by int ids.
 *
 * PRO_VALUE_UNUSED as a window id means the message area. Activation and
 * closing take effect once control returns to the session. */
#ifndef TAV_TK_PROWINDOWS_H
#define TAV_TK_PROWINDOWS_H

#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

ProError ProWindowCurrentGet(int* p_window_id);

/* Makes the window current for toolkit calls (not the same as activating). */
ProError ProWindowCurrentSet(int window_id);

ProError ProWindowActivate(int window);

/* Closes the current window (the base window is cleared instead). */
ProError ProWindowCurrentClose(void);

/* The model shown in the window. */
ProError ProWindowMdlGet(int window, ProMdl* r_mdl);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROWINDOWS_H */
