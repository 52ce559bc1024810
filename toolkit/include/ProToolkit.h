/* ProToolkit.h: the base types every other toolkit header builds on.
 *
 * Declares the status code (ProError, via ProToolkitErrors.h), the boolean,
 * the opaque model handles and the generic callback pointer. Handles are owned
 * by the session; the application never frees them. Wide strings are wchar_t,
 * which is 32 bits (UTF-32) on POSIX rather than the 16 bits of Windows. */
#ifndef TAV_TK_PROTOOLKIT_H
#define TAV_TK_PROTOOLKIT_H

#include <ProSizeConst.h>
#include <ProToolkitErrors.h>
#include <stddef.h> /* wchar_t in C */

#ifdef __cplusplus
extern "C" {
#endif

/* "No value" for ids, indices and enum-typed fields. */
#define PRO_VALUE_UNUSED (-1)

typedef enum pro_boolean { PRO_B_FALSE = 0, PRO_B_TRUE = 1 } ProBoolean, ProBool;

/* Application data handed back unchanged to visit and filter callbacks. */
typedef void* ProAppData;

/* A toolkit array (see ProArray.h): a pointer to its first element. */
typedef void* ProArray;

/* A NUL-terminated wide string; ProArrays of these are freed with
 * ProWstringproarrayFree. */
typedef wchar_t* ProWstring;

/* Opaque model handles, valid while the model stays in the session. */
typedef void* ProMdl;
typedef struct tav_tk_solid* ProSolid;
typedef struct tav_tk_solid* ProPart;
typedef struct tav_tk_solid* ProAssembly;
typedef struct tav_tk_drawing* ProDrawing;

/* A callback of no fixed signature (notifications): cast the real function to
 * this type when registering it. */
#ifdef __cplusplus
typedef ProError (*ProFunction)(void);
#else
typedef ProError (*ProFunction)();
#endif
#define PRO_NO_FUNCTION ((ProFunction)0)

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROTOOLKIT_H */
