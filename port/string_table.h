#pragma once
// What the module needs to give its messages in the user's language: which of
// the three languages its texts are written in the user reads, and the text of one
// message id of the module's own table in that language. The texts belong to the
// module (src/res_string.cpp); this is only the mechanism. Callable from any thread.
#include <cstddef>
#include <string>

namespace port {

enum class Language { kEnglish, kSimplifiedChinese, kTraditionalChinese };

// The language of the process's locale variables: the first non-empty of
// LANGUAGE (its first entry), LC_ALL, LC_MESSAGES, LANG decides. zh_CN and zh_SG
// give Simplified Chinese; zh_TW, zh_HK and zh_MO Traditional Chinese; anything
// else English. Read afresh on every call.
Language CurrentLanguage();

// One message in the three languages.
struct TextEntry {
  unsigned id;
  const wchar_t* english;
  const wchar_t* simplified;
  const wchar_t* traditional;
};

// The text of `id` in `table` in `language`; empty for an id the table lacks.
std::wstring LoadString(const TextEntry* table, std::size_t count, unsigned id, Language language);

template <std::size_t N>
std::wstring LoadString(const TextEntry (&table)[N], unsigned id, Language language) {
  return LoadString(table, N, id, language);
}

}  // namespace port
