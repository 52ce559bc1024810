/* ProConst.h: constants shared by the session calls: how a session ended. */
#ifndef TAV_TK_PROCONST_H
#define TAV_TK_PROCONST_H

#ifdef __cplusplus
extern "C" {
#endif

/* The argument of the termination action bound with ProTermFuncSet. */
typedef enum pro_term_status {
  PROTERM_EXIT = 1,     /* the user left the session normally */
  PROTERM_ABNORMAL = 2, /* the session exited with an error status */
  PROTERM_SIGNAL = 3    /* the session died on a fatal signal */
} ProeTerminationStatus;

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROCONST_H */
