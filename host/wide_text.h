#pragma once
// Texts between tavhost's UTF-8 world (arguments, scripts, SQLite, the terminal)
// and the module's wide strings. Call SetUpTextLocale() once at start: the
// conversions and the display width use the C library under a UTF-8 locale.
#include <string>

namespace tavhost {

void SetUpTextLocale();
// Invalid UTF-8 becomes U+FFFD instead of failing: a host shows what it can.
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
// Upper case as the CAD system keeps names (letters of any script).
std::string UpperCase(const std::string& utf8);
// Columns the text takes in a terminal (wide CJK letters count two).
std::size_t DisplayWidth(const std::string& utf8);

}  // namespace tavhost
