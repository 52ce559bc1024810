#include "host/wide_text.h"

#include <climits>
#include <clocale>
#include <cwchar>
#include <cwctype>
#ifdef _WIN32
#include <windows.h>
#endif

#include "host/system.h"

namespace tavhost {

void SetUpTextLocale() {
  // Only the character type: the module chooses its language from the
  // environment, and numbers keep their C form.
  if (!std::setlocale(LC_CTYPE, "C.UTF-8")) std::setlocale(LC_CTYPE, "en_US.UTF-8");
}

std::wstring Widen(const std::string& utf8) {
#ifdef _WIN32
  // UTF-16: the C runtime knows no UTF-8 locale to convert through.
  std::wstring wide(utf8.size(), L'\0');
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return wide;
#else
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
#endif
}

std::string Narrow(const std::wstring& wide) {
#ifdef _WIN32
  std::string utf8(wide.size() * 3, '\0');
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
  utf8.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return utf8;
#else
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
#endif
}

std::string UpperCase(const std::string& utf8) {
  std::wstring wide = Widen(utf8);
  for (wchar_t& letter : wide) letter = static_cast<wchar_t>(std::towupper(letter));
  return Narrow(wide);
}

std::size_t DisplayWidth(const std::string& utf8) {
  std::size_t width = 0;
  for (wchar_t letter : Widen(utf8)) {
    width += static_cast<std::size_t>(LetterWidth(letter));
  }
  return width;
}

}  // namespace tavhost
