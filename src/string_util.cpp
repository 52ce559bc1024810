#include "src/string_util.h"

#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <stdexcept>

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
  // C's vswprintf reports "does not fit" by -1 alone, bad formats and texts by errno;
  // MinGW's returns the length the whole text would have had.
  if (n >= 0 && static_cast<std::size_t>(n) < kBuffer)
    return std::wstring(buffer, static_cast<std::size_t>(n));
  if (n < 0 && (error == EILSEQ || error == EINVAL))
    throw std::invalid_argument("FormatString: bad format");
  throw std::length_error("string too long");
}

std::wstring IntToWString(int value) { return std::to_wstring(value); }

std::wstring FormatDouble(double value) {
  // Not printf: its decimal point is the process's locale's, and the host's
  // locale may use a comma. The largest double needs some 320 characters.
  char buffer[400];
  const auto end =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 10).ptr;
  return std::wstring(buffer, end);
}

std::string WideToMultiByte(const std::wstring& text) { return base::WideToUtf8(text); }

std::wstring MultiByteToWide(const std::string& text) { return base::Utf8ToWide(text); }
