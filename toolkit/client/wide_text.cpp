#include "toolkit/client/wide_text.h"

#include <cstring>

namespace tkclient {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsValidScalar(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

void AppendUtf8(std::string* out, char32_t c) {
  if (!IsValidScalar(c)) {
    out->push_back('?');
  } else if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Decodes one character at text[*pos], advancing *pos past it (always by at
// least one byte).
char32_t DecodeOne(std::string_view text, std::size_t* pos) {
  const auto b0 = static_cast<unsigned char>(text[*pos]);
  ++*pos;
  if (b0 < 0x80) return b0;
  int extra;
  char32_t c;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1;
    c = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2;
    c = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3;
    c = b0 & 0x07;
  } else {
    return kReplacement;
  }
  for (int i = 0; i < extra; ++i) {
    if (*pos >= text.size()) return kReplacement;
    const auto b = static_cast<unsigned char>(text[*pos]);
    if ((b & 0xC0) != 0x80) return kReplacement;
    c = (c << 6) | (b & 0x3F);
    ++*pos;
  }
  // Overlong forms and non-scalars are refused like any other bad sequence.
  static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  if (c < kMin[extra] || !IsValidScalar(c)) return kReplacement;
  return c;
}

}  // namespace

std::string ToUtf8(const wchar_t* text) {
  if (!text) return std::string();
  return ToUtf8(std::wstring_view(text));
}

std::string ToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t w : text) AppendUtf8(&out, static_cast<char32_t>(w));
  return out;
}

std::wstring FromUtf8(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) out.push_back(static_cast<wchar_t>(DecodeOne(text, &pos)));
  return out;
}

bool CopyToWide(std::string_view utf8, wchar_t* dst, std::size_t capacity) {
  if (!dst || capacity == 0) return false;
  std::size_t n = 0;
  std::size_t pos = 0;
  while (pos < utf8.size() && n + 1 < capacity)
    dst[n++] = static_cast<wchar_t>(DecodeOne(utf8, &pos));
  dst[n] = L'\0';
  return pos >= utf8.size();
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
