/* ProNcseq.h: manufacturing NC sequences among features. */
#ifndef TAV_TK_PRONCSEQ_H
#define TAV_TK_PRONCSEQ_H

#include <ProObjects.h>
#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

/* PRO_TK_INVALID_TYPE when the handle is not a feature. */
ProError ProFeatureIsNcseq(const ProFeature* feat, ProBoolean* p_is_ncseq);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PRONCSEQ_H */
