#include "port/string_table.h"

namespace port {
namespace {

LANGID LangIdOf(Language language) {
  switch (language) {
    case Language::kSimplifiedChinese:
      return MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
    case Language::kTraditionalChinese:
      return MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL);
    default:
      return MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  }
}

// The DLL (or executable) this code is linked into, which holds the table.
HMODULE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

// Strings live in blocks of 16 (block id / 16 + 1), each a UTF-16 length and that
// many characters. Finding the block in the language asked for is what
// LoadStringW cannot do: it takes the thread's language, and for a language the
// table lacks it falls back to whichever block comes first.
bool FindInBlock(HMODULE module, unsigned id, LANGID language, std::wstring& text) {
  const HRSRC found = ::FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
  const HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
  const auto* p = loaded ? static_cast<const WCHAR*>(::LockResource(loaded)) : nullptr;
  if (!p) return false;
  const WCHAR* end = p + ::SizeofResource(module, found) / sizeof(WCHAR);
  for (unsigned i = 0; i < id % 16 && p < end; ++i) p += 1 + *p;
  if (p >= end || *p == 0 || p + 1 + *p > end) return false;
  text.assign(p + 1, *p);
  return true;
}

}  // namespace

Language CurrentLanguage() {
  const LANGID ui = ::GetUserDefaultUILanguage();
  if (PRIMARYLANGID(ui) != LANG_CHINESE) return Language::kEnglish;
  switch (SUBLANGID(ui)) {
    case SUBLANG_CHINESE_SIMPLIFIED:
    case SUBLANG_CHINESE_SINGAPORE:
      return Language::kSimplifiedChinese;
    case SUBLANG_CHINESE_TRADITIONAL:
    case SUBLANG_CHINESE_HONGKONG:
    case SUBLANG_CHINESE_MACAU:
      return Language::kTraditionalChinese;
    default:
      return Language::kEnglish;
  }
}

std::wstring LoadString(unsigned id, Language language) {
  const HMODULE module = ThisModule();
  std::wstring text;
  if (FindInBlock(module, id, LangIdOf(language), text)) return text;
  // Not in that language: the system's own choice (LoadStringW), if any.
  const WCHAR* shared = nullptr;
  const int n = ::LoadStringW(module, id, reinterpret_cast<LPWSTR>(&shared), 0);
  return n > 0 && shared ? std::wstring(shared, static_cast<std::size_t>(n)) : std::wstring();
}

}  // namespace port
