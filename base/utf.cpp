#include "base/utf.h"

namespace base {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsScalar(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

void AppendUtf8(std::string& out, char32_t c) {
  if (!IsScalar(c)) c = kReplacement;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes the character at text[i] and moves i past it (always by at least one
// byte). A broken sequence is replaced as a whole up to the first byte that does
// not belong to it, which is then read afresh; *bad is set when given.
char32_t DecodeOne(std::string_view text, std::size_t& i, bool* bad) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  const unsigned char b = p[i++];
  if (b < 0x80) return b;
  int extra;
  char32_t c;
  char32_t min;
  if ((b & 0xE0) == 0xC0) {
    extra = 1, c = b & 0x1F, min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    extra = 2, c = b & 0x0F, min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    extra = 3, c = b & 0x07, min = 0x10000;
  } else {
    if (bad) *bad = true;
    return kReplacement;
  }
  bool ok = true;
  for (int k = 0; k < extra; ++k, ++i) {
    if (i >= n || (p[i] & 0xC0) != 0x80) {
      ok = false;
      break;
    }
    c = (c << 6) | (p[i] & 0x3F);
  }
  if (ok && c >= min && IsScalar(c)) return c;
  if (bad) *bad = true;
  return kReplacement;
}

// A wide string is UTF-32 where wchar_t has 32 bits (Linux) and UTF-16 where it
// has 16 (Windows). These read and write one character of it.
constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

char32_t NextWide(std::wstring_view text, std::size_t& i) {
  const char32_t c = static_cast<char32_t>(text[i++]);
  if (!kWideIsUtf16 || c < 0xD800 || c > 0xDFFF) return c;
  if (c <= 0xDBFF && i < text.size()) {
    const char32_t low = static_cast<char32_t>(text[i]);
    if (low >= 0xDC00 && low <= 0xDFFF) {
      ++i;
      return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
    }
  }
  return kReplacement;
}

void AppendWide(std::wstring& out, char32_t c) {
  if (kWideIsUtf16 && c >= 0x10000) {
    c -= 0x10000;
    out += static_cast<wchar_t>(0xD800 | (c >> 10));
    out += static_cast<wchar_t>(0xDC00 | (c & 0x3FF));
  } else {
    out += static_cast<wchar_t>(c);
  }
}

}  // namespace

std::string WideToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) AppendUtf8(out, NextWide(text, i));
  return out;
}

std::wstring Utf8ToWide(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) AppendWide(out, DecodeOne(text, i, nullptr));
  return out;
}

bool IsValidUtf8(std::string_view text) {
  bool bad = false;
  std::size_t i = 0;
  while (i < text.size() && !bad) DecodeOne(text, i, &bad);
  return !bad;
}

std::u16string WideToUtf16(std::wstring_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t c = NextWide(text, i);
    if (!IsScalar(c)) c = kReplacement;
    if (c < 0x10000) {
      out += static_cast<char16_t>(c);
    } else {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 | (c >> 10));
      out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
    }
  }
  return out;
}

std::wstring Utf16ToWide(std::u16string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      AppendWide(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                          (static_cast<char32_t>(text[i + 1]) - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendWide(out, kReplacement);
    } else {
      AppendWide(out, u);
    }
  }
  return out;
}

}  // namespace base
