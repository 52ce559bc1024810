#include "base/text_case.h"

#include <windows.h>

namespace base {
namespace {

// The system's invariant mapping, one UTF-16 unit to one ("ß" stays as it is).
std::wstring Map(std::wstring text, DWORD flags) {
  if (text.empty()) return text;
  std::wstring out(text.size(), L'\0');
  const int n =
      ::LCMapStringEx(LOCALE_NAME_INVARIANT, flags, text.data(), static_cast<int>(text.size()),
                      out.data(), static_cast<int>(out.size()), nullptr, nullptr, 0);
  if (n != static_cast<int>(text.size())) return text;
  return out;
}

}  // namespace

std::wstring ToUpperCase(std::wstring text) { return Map(std::move(text), LCMAP_UPPERCASE); }
std::wstring ToLowerCase(std::wstring text) { return Map(std::move(text), LCMAP_LOWERCASE); }

}  // namespace base
