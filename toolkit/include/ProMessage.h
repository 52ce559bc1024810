/* ProMessage.h: one-line texts in the session's message area.
 *
 * Texts come from a message file (named with extension, without path, found in
 * the application's text directory) by key; the variadic arguments are
 * POINTERS to the values the format substitutes (up to 10). */
#ifndef TAV_TK_PROMESSAGE_H
#define TAV_TK_PROMESSAGE_H

#include <ProObjects.h>
#include <ProToolkit.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Shows the text of `key` (without its %C class prefix) from `file`. Texts over
 * 80 characters are truncated and give PRO_TK_MSG_TOO_LONG. */
ProError ProMessageDisplay(ProFileName file, const char* key, ...);

/* Scrolls the message area one line after a display. */
void ProMessageClear(void);

/* Formats the text of `key` into translated_msg instead of showing it. */
ProError ProMessageToBuffer(ProLine translated_msg, ProFileName file, const char* key, ...);

#ifdef __cplusplus
}
#endif

#endif /* TAV_TK_PROMESSAGE_H */
