/* ProWstring.h: ProArrays of wide strings (relation lines and the like).
 * wchar_t is 32 bits (UTF-32) on POSIX. */
#ifndef TAV_TK_PROWSTRING_H
#define TAV_TK_PROWSTRING_H

#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Frees every string of the ProArray and then the array itself. */
ProError ProWstringproarrayFree(ProWstring* array);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROWSTRING_H */
