/* ProDimension.h: dimensions of a model: symbol (d0, d1, ...), value, kind,
 * tolerance and whether a relation drives them.
 *
 * A ProDimension is a ProModelitem of type PRO_DIMENSION or PRO_REF_DIMENSION;
 * reference dimensions cannot be changed (PRO_TK_BAD_CONTEXT). */
#ifndef TAV_TK_PRODIMENSION_H
#define TAV_TK_PRODIMENSION_H

#include <ProObjects.h>
#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum pro_dimension_type {
  PRODIMTYPE_UNKNOWN = -1,
  PRODIMTYPE_RADIUS = 3,
  PRODIMTYPE_DIAMETER = 4,
  PRODIMTYPE_LINEAR = 9,
  PRODIMTYPE_ANGLE = 21
} ProDimensiontype;

typedef enum pro_dim_tol_types {
  PRO_TOL_DEFAULT = 1, /* nominal */
  PRO_TOL_PLUS_MINUS = 2,
  PRO_TOL_LIMITS = 3,
  PRO_TOL_PLUS_MINUS_SYM = 4
} ProDimToleranceType,
    Pro_dim_tol_types;

/* Visit callbacks: the filter returns PRO_TK_CONTINUE to skip a dimension,
 * anything else is passed to the action as `status`; the action returns
 * PRO_TK_NO_ERROR to go on, anything else stops the walk and is returned. */
typedef ProError (*ProDimensionVisitAction)(ProDimension* dimension, ProError status,
                                            ProAppData data);
typedef ProError (*ProDimensionFilterAction)(ProDimension* dimension, ProAppData data);

ProError ProDimensionSymbolGet(ProDimension* dimension, ProName symbol);

/* PRO_TK_NO_CHANGE when another dimension of the model has that symbol. */
ProError ProDimensionSymbolSet(ProDimension* dimension, ProName symbol);

ProError ProDimensionValueGet(ProDimension* dimension, double* value);

/* A negative value flips the dimension's direction. */
ProError ProDimensionValueSet(ProDimension* dimension, double value);

ProError ProDimensionTypeGet(ProDimension* dimension, ProDimensiontype* type);

ProError ProDimensionToltypeGet(ProDimension* dimension, ProDimToleranceType* type);
ProError ProDimensionToltypeSet(ProDimension* dimension, ProDimToleranceType type);

ProError ProDimensionToleranceGet(ProDimension* dimension, double* upper_limit,
                                  double* lower_limit);
ProError ProDimensionToleranceSet(ProDimension* dimension, double upper_limit, double lower_limit);

ProError ProDimensionIsReldriven(ProDimension* dimension, ProBoolean* rel_driven);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PRODIMENSION_H */
