#include "port/string_table.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace port {
namespace {

// "zh_CN.UTF-8", "zh-tw", "zh_HK@euro" ... -> the region, upper-cased, or "".
std::string ChineseRegion(const char* locale) {
  if (std::strlen(locale) < 5) return std::string();
  if (std::tolower(static_cast<unsigned char>(locale[0])) != 'z' ||
      std::tolower(static_cast<unsigned char>(locale[1])) != 'h' ||
      (locale[2] != '_' && locale[2] != '-'))
    return std::string();
  std::string region;
  region += static_cast<char>(std::toupper(static_cast<unsigned char>(locale[3])));
  region += static_cast<char>(std::toupper(static_cast<unsigned char>(locale[4])));
  const char next = locale[5];
  if (next != '\0' && next != '.' && next != '@' && next != ':') return std::string();
  return region;
}

}  // namespace

Language CurrentLanguage() {
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    const std::string region = ChineseRegion(value);
    if (region == "CN" || region == "SG") return Language::kSimplifiedChinese;
    if (region == "TW" || region == "HK" || region == "MO") return Language::kTraditionalChinese;
    return Language::kEnglish;
  }
  return Language::kEnglish;
}

std::wstring LoadString(const TextEntry* table, std::size_t count, unsigned id, Language language) {
  for (std::size_t i = 0; i < count; ++i) {
    const TextEntry& entry = table[i];
    if (entry.id != id) continue;
    if (language == Language::kSimplifiedChinese) return entry.simplified;
    if (language == Language::kTraditionalChinese) return entry.traditional;
    return entry.english;
  }
  return std::wstring();
}

}  // namespace port
