#include "src/string_util.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <stdexcept>
#include <vector>

#include "base/utf.h"

std::wstring FormatString(const wchar_t* format, ...) {
  constexpr std::size_t kBuffer = 1024;
  wchar_t buffer[kBuffer];
  va_list args;
  va_start(args, format);
  errno = 0;
  const int n = std::vswprintf(buffer, kBuffer, format, args);
  const int error = errno;
  va_end(args);
  if (n >= 0) return std::wstring(buffer, static_cast<std::size_t>(n));
  // vswprintf reports "does not fit" by -1 alone, bad formats and texts by errno.
  if (error == EILSEQ || error == EINVAL) throw std::invalid_argument("FormatString: bad format");
  throw std::length_error("string too long");
}

std::wstring IntToWString(int value) { return std::to_wstring(value); }

std::wstring FormatDouble(double value) {
  char buffer[256];
  const int n = std::snprintf(buffer, sizeof buffer, "%.10f", value);
  if (n >= 0 && static_cast<std::size_t>(n) < sizeof buffer) return base::Utf8ToWide(buffer);
  // Values above about 1e245 do not fit; give their whole text rather than lose it.
  std::vector<char> large(static_cast<std::size_t>(n > 0 ? n : 0) + 1);
  std::snprintf(large.data(), large.size(), "%.10f", value);
  return base::Utf8ToWide(large.data());
}

std::string WideToMultiByte(const std::wstring& text) { return base::WideToUtf8(text); }

std::wstring MultiByteToWide(const std::string& text) { return base::Utf8ToWide(text); }
