#include "host/wide_text.h"

#include <climits>
#include <clocale>
#include <cwchar>
#include <cwctype>

namespace tavhost {

void SetUpTextLocale() {
  // Only the character type: the module chooses its language from the
  // environment, and numbers keep their C form.
  if (!std::setlocale(LC_CTYPE, "C.UTF-8")) std::setlocale(LC_CTYPE, "en_US.UTF-8");
}

std::wstring Widen(const std::string& utf8) {
  std::wstring out;
  std::mbstate_t state{};
  const char* next = utf8.data();
  const char* end = next + utf8.size();
  while (next < end) {
    wchar_t letter = 0;
    const std::size_t used = std::mbrtowc(&letter, next, end - next, &state);
    if (used == static_cast<std::size_t>(-1) || used == static_cast<std::size_t>(-2)) {
      out += L'\uFFFD';
      state = std::mbstate_t{};
      ++next;
      continue;
    }
    out += letter;
    next += used == 0 ? 1 : used;
  }
  return out;
}

std::string Narrow(const std::wstring& wide) {
  std::string out;
  std::mbstate_t state{};
  char bytes[MB_LEN_MAX];
  for (wchar_t letter : wide) {
    std::size_t used = std::wcrtomb(bytes, letter, &state);
    if (used == static_cast<std::size_t>(-1)) {
      state = std::mbstate_t{};
      used = std::wcrtomb(bytes, L'\uFFFD', &state);
    }
    out.append(bytes, used);
  }
  return out;
}

std::string UpperCase(const std::string& utf8) {
  std::wstring wide = Widen(utf8);
  for (wchar_t& letter : wide) letter = static_cast<wchar_t>(std::towupper(letter));
  return Narrow(wide);
}

std::size_t DisplayWidth(const std::string& utf8) {
  std::size_t width = 0;
  for (wchar_t letter : Widen(utf8)) {
    const int columns = ::wcwidth(letter);
    width += columns < 0 ? 1 : static_cast<std::size_t>(columns);
  }
  return width;
}

}  // namespace tavhost
