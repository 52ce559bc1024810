#pragma once
// The module's string table: the messages it hands to the host, in English
// (1033), Simplified Chinese (2052) and Traditional Chinese (1028), the way a
// Windows module carries them as string resources.
//
// Placeholders follow the Windows wide-printf convention of string resources:
// "%s" stands for a wide string. Callers that format with the POSIX wide printf
// must turn it into "%ls" first (ToPosixWideFormat). Callable from any thread.
#include <string>

namespace port {

constexpr unsigned kLanguageEnglish = 1033;
constexpr unsigned kLanguageSimplifiedChinese = 2052;
constexpr unsigned kLanguageTraditionalChinese = 1028;

// The language of the process's locale variables: the first non-empty of
// LANGUAGE (its first entry), LC_ALL, LC_MESSAGES, LANG decides. zh_CN and zh_SG
// give Simplified Chinese; zh_TW, zh_HK and zh_MO Traditional Chinese; anything
// else English. Read afresh on every call.
unsigned CurrentLanguage();

// The text of `id` in the current language, or in `language`; empty for an id
// without text. An unknown language gives the English text.
std::wstring LoadString(unsigned id);
std::wstring LoadString(unsigned id, unsigned language);

// Rewrites each "%s" conversion of a Windows wide-printf format (flags and width
// kept) as "%ls", so the text can be handed to swprintf. "%%" is kept as it is.
std::wstring ToPosixWideFormat(const std::wstring& format);

}  // namespace port
