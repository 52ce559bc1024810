#include "toolkit/client/wide_text.h"

#include <algorithm>
#include <cstring>

#include "base/utf.h"

namespace tkclient {

std::string ToUtf8(const wchar_t* text) {
  if (!text) return std::string();
  return base::WideToUtf8(text);
}

std::string ToUtf8(std::wstring_view text) { return base::WideToUtf8(text); }

std::wstring FromUtf8(std::string_view text) { return base::Utf8ToWide(text); }

bool CopyToWide(std::string_view utf8, wchar_t* dst, std::size_t capacity) {
  if (!dst || capacity == 0) return false;
  const std::wstring wide = base::Utf8ToWide(utf8);
  const std::size_t n = std::min(wide.size(), capacity - 1);
  wide.copy(dst, n);
  dst[n] = L'\0';
  return n == wide.size();
}

bool CopyToNarrow(std::string_view utf8, char* dst, std::size_t capacity) {
  if (!dst || capacity == 0) return false;
  std::size_t n = utf8.size();
  const bool fits = n < capacity;
  if (!fits) {
    n = capacity - 1;
    // Step back over continuation bytes so no character is cut in half.
    while (n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(dst, utf8.data(), n);
  dst[n] = '\0';
  return fits;
}

}  // namespace tkclient
