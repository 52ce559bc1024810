#pragma once
// Conversions between the three text forms of the module: wide strings
// (std::wstring, UTF-32 on this platform), UTF-8 (the narrow "ANSI code page" of
// the module, file paths, libxml2) and UTF-16 (SQLite's wide interface).
//
// Invalid input never fails: a malformed sequence, a lone surrogate or a value
// above U+10FFFF becomes U+FFFD. Pure functions; callable from any thread.
#include <string>
#include <string_view>

namespace port {

std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);
std::u16string WideToUtf16(std::wstring_view text);
std::wstring Utf16ToWide(std::u16string_view text);

}  // namespace port
