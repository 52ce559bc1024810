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
  if (n >= 0) return std::wstring(buffer, static_cast<std::size_t>(n));
  // vswprintf reports "does not fit" by -1 alone, bad formats and texts by errno.
  if (error == EILSEQ || error == EINVAL) throw std::invalid_argument("FormatString: bad format");
  throw std::length_error("string too long");
}

std::wstring IntToWString(int value) { return std::to_wstring(value); }

std::wstring LongToWString(long value) { return std::to_wstring(value); }

std::wstring FormatDouble(double value) {
  // Not printf: its decimal point is the process's locale's, and the host's
  // locale may use a comma. The largest double needs some 320 characters.
  char buffer[400];
  const auto end =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 10).ptr;
  return std::wstring(buffer, end);
}

void WideToMultiByte(const std::wstring& text, std::string& out, unsigned /*code_page*/) {
  out = base::WideToUtf8(text);
}

void MultiByteToWide(const std::string& text, std::wstring& out, unsigned /*code_page*/) {
  out = base::Utf8ToWide(text);
}

std::string WideToMultiByte(const std::wstring& text, unsigned code_page) {
  std::string out;
  WideToMultiByte(text, out, code_page);
  return out;
}

std::wstring MultiByteToWide(const std::string& text, unsigned code_page) {
  std::wstring out;
  MultiByteToWide(text, out, code_page);
  return out;
}
