#pragma once
// A parameter value (ProParamvalue) as the parameter table of the exchange
// database holds it: always a text, whatever the value's type. The export writes
// the text, the import builds the value back from it; a value the host did not
// change converts back to what was exported (a real number to ten decimals).
// Pure functions; callable from any thread.
#include <ProObjects.h>
#include <ProToolkit.h>
#include <string>

// By the value's type: a real number with "%.10f" ("2.5000000000"), a text as it
// is, a boolean as "1" or "0", an integer or anything else in decimal.
std::wstring ParamvalueToText(const ProParamvalue& value);

// The value of `type` (a ProParamvalueType number) from `text`:
//  - 50, a real number: the leading decimal number of the text (white space
//    before it skipped, sign and exponent accepted, a full stop as the decimal
//    separator in any locale, the rest ignored); no number, or an empty text,
//    gives 0.0.
//  - 51, a text: the text unchanged.
//  - 53, a boolean: the leading decimal integer (white space and a sign accepted,
//    the rest ignored; none gives 0), kept to its low 16 bits.
//  - 52, 54, 57: the leading decimal integer, as for a boolean, in the integer.
// Nothing is cut or clamped silently: a text of more than 79 characters gives
// PRO_TK_LINE_TOO_LONG, an integer or real number outside the range of its type
// PRO_TK_BAD_INPUTS, and so does a type that is not a ProParamvalueType (the
// toolkit refuses such a value). `value` is written only on PRO_TK_NO_ERROR.
ProError ParamvalueFromText(int type, const std::wstring& text, ProParamvalue* value);
