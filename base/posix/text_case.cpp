#include "base/text_case.h"

#include <locale>

namespace base {
namespace {

const std::ctype<wchar_t>& Utf8Ctype() {
  static const std::locale utf8 = [] {
    try {
      return std::locale("C.UTF-8");
    } catch (const std::exception&) {
      return std::locale::classic();
    }
  }();
  return std::use_facet<std::ctype<wchar_t>>(utf8);
}

}  // namespace

std::wstring ToUpperCase(std::wstring text) {
  Utf8Ctype().toupper(text.data(), text.data() + text.size());
  return text;
}

std::wstring ToLowerCase(std::wstring text) {
  Utf8Ctype().tolower(text.data(), text.data() + text.size());
  return text;
}

}  // namespace base
