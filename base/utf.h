#pragma once
// Conversions between the three text forms of the module: wide strings
// (std::wstring: UTF-32 on Linux, UTF-16 on Windows), UTF-8 (the narrow "ANSI code page" of
// the module, file paths, libxml2) and UTF-16 (SQLite's wide interface).
//
// The one codec of the project: the module, the platform layer, the wire, the
// toolkit client and the simulator all convert here, so a text that crosses a
// layer is treated the same on both sides. Invalid input never fails: a malformed
// sequence, a lone surrogate or a value above U+10FFFF becomes U+FFFD. Pure
// functions; callable from any thread.
#include <string>
#include <string_view>

namespace base {

std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);
std::u16string WideToUtf16(std::wstring_view text);
std::wstring Utf16ToWide(std::u16string_view text);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

}  // namespace base
