/* ProUtil.h: narrow/wide string conversion in the application's encoding
 * (UTF-8 narrow, UTF-32 wide on POSIX). The caller sizes the destination;
 * both return the destination, not a ProError. */
#ifndef TAV_TK_PROUTIL_H
#define TAV_TK_PROUTIL_H

#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

wchar_t* ProStringToWstring(wchar_t* wstr, char* str);

/* A multibyte result may need up to 4 bytes per wide character here. */
char* ProWstringToString(char* str, wchar_t* wstr);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROUTIL_H */
