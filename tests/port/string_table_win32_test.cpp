// The module's string table resource (compiled into this executable as into the
// DLL), read back in each language whatever the user's own language is.
#include <gtest/gtest.h>

#include "port/string_table.h"

namespace {

TEST(StringTableResourceTest, LoadsEachLanguageFromTheResource) {
  const struct {
    unsigned id;
    port::Language language;
    const wchar_t* expected;
  } cases[] = {
      {5220, port::Language::kEnglish, L"menu not exists."},
      {5220, port::Language::kSimplifiedChinese, L"菜单不存在"},
      {5220, port::Language::kTraditionalChinese, L"選單不存在"},
      {5200, port::Language::kEnglish, L"connect proe error\u00A1\u00A3(%d)"},
      {5202, port::Language::kSimplifiedChinese, L"打开 proe 失败。%ls"},
      {5221, port::Language::kEnglish, L""},  // in a block the table uses
      {4711, port::Language::kSimplifiedChinese, L""},
  };
  for (const auto& c : cases) EXPECT_EQ(port::LoadString(c.id, c.language), c.expected) << c.id;
}

}  // namespace
