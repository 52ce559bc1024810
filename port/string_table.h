#pragma once
// What the module needs to give its messages in the user's language: which of
// the three languages its texts are written in the user reads, and the text of one
// message id of the module's own table in that language. The texts belong to the
// module (src/res_string.cpp); this is only the mechanism. Callable from any thread.
//
// On POSIX the module hands its table to LoadString. On Windows the same table
// is the module's string table resource (compiled by windres into the DLL), and
// LoadString reads it from the module that holds this code.
#include <cstddef>
#include <string>

#include "port/system_names.h"

namespace port {

enum class Language { kEnglish, kSimplifiedChinese, kTraditionalChinese };

// The language the user reads. POSIX: the process's locale variables, the first
// non-empty of LANGUAGE (its first entry), LC_ALL, LC_MESSAGES, LANG decides;
// zh_CN and zh_SG give Simplified Chinese; zh_TW, zh_HK and zh_MO Traditional
// Chinese; anything else English. Windows: the user interface language
// (GetUserDefaultUILanguage), by the same regions. Read afresh on every call.
Language CurrentLanguage();

// One message in the three languages.
struct TextEntry {
  unsigned id;
  const wchar_t* english;
  const wchar_t* simplified;
  const wchar_t* traditional;
};

#ifdef _WIN32
// The text of `id` in `language` from the string table resource of the module
// (DLL or executable) this code is linked into; empty for an id it lacks.
std::wstring LoadString(unsigned id, Language language);
#else
// The text of `id` in `table` in `language`; empty for an id the table lacks.
std::wstring LoadString(const TextEntry* table, std::size_t count, unsigned id, Language language);

template <std::size_t N>
std::wstring LoadString(const TextEntry (&table)[N], unsigned id, Language language) {
  return LoadString(table, N, id, language);
}
#endif

}  // namespace port
