#include "port/string_table.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

// Clears every locale variable for the test, so only what it sets counts.
class StringTableTest : public ::testing::Test {
 protected:
  tavtest::ScopedEnv language_{"LANGUAGE", nullptr};
  tavtest::ScopedEnv all_{"LC_ALL", nullptr};
  tavtest::ScopedEnv messages_{"LC_MESSAGES", nullptr};
  tavtest::ScopedEnv lang_{"LANG", nullptr};
};

TEST_F(StringTableTest, LanguageFollowsTheFirstLocaleVariableSet) {
  const struct {
    const char *language, *all, *messages, *lang;
    unsigned expected;
  } cases[] = {
      {nullptr, nullptr, nullptr, nullptr, port::kLanguageEnglish},
      {nullptr, nullptr, nullptr, "zh_CN.UTF-8", port::kLanguageSimplifiedChinese},
      {nullptr, nullptr, nullptr, "zh_SG", port::kLanguageSimplifiedChinese},
      {nullptr, nullptr, nullptr, "zh-cn", port::kLanguageSimplifiedChinese},
      {nullptr, nullptr, nullptr, "zh_TW@euro", port::kLanguageTraditionalChinese},
      {nullptr, nullptr, nullptr, "zh_HK", port::kLanguageTraditionalChinese},
      {nullptr, nullptr, nullptr, "zh_MO.Big5", port::kLanguageTraditionalChinese},
      {nullptr, nullptr, nullptr, "zh", port::kLanguageEnglish},
      {nullptr, nullptr, nullptr, "zh_XX", port::kLanguageEnglish},
      {nullptr, nullptr, nullptr, "de_DE", port::kLanguageEnglish},
      {nullptr, nullptr, "zh_TW.UTF-8", "en_US.UTF-8", port::kLanguageTraditionalChinese},
      {nullptr, "zh_CN.UTF-8", "zh_TW.UTF-8", "en_US", port::kLanguageSimplifiedChinese},
      {"en_GB:zh_CN", "zh_CN.UTF-8", nullptr, nullptr, port::kLanguageEnglish},
      {"zh_HK:en", nullptr, nullptr, "en_US", port::kLanguageTraditionalChinese},
  };
  for (const auto& c : cases) {
    tavtest::ScopedEnv language("LANGUAGE", c.language), all("LC_ALL", c.all),
        messages("LC_MESSAGES", c.messages), lang("LANG", c.lang);
    EXPECT_EQ(port::CurrentLanguage(), c.expected)
        << (c.language ? c.language : "-") << " " << (c.all ? c.all : "-") << " "
        << (c.messages ? c.messages : "-") << " " << (c.lang ? c.lang : "-");
  }
}

TEST_F(StringTableTest, TextsComeInTheLocalesLanguageAndUnknownIdsAreEmpty) {
  EXPECT_EQ(port::LoadString(5220), L"menu not exists.");
  {
    tavtest::ScopedEnv lang("LANG", "zh_CN.UTF-8");
    EXPECT_EQ(port::LoadString(5220), L"菜单不存在");
  }
  tavtest::ScopedEnv lang("LANG", "zh_TW.UTF-8");
  EXPECT_EQ(port::LoadString(5220), L"選單不存在");
  for (unsigned id : {5200u, 5201u, 5202u, 5203u, 5210u, 5211u, 5212u, 5213u, 5214u, 5220u}) {
    EXPECT_NE(port::LoadString(id), port::LoadString(id, port::kLanguageEnglish)) << id;
    EXPECT_NE(port::LoadString(id, port::kLanguageSimplifiedChinese), L"") << id;
  }
  for (unsigned id : {0u, 5199u, 5204u, 5209u, 5215u, 5219u, 5221u})
    EXPECT_EQ(port::LoadString(id), L"") << id;
}

TEST_F(StringTableTest, WidensStringConversionsForPosixPrintf) {
  EXPECT_EQ(port::ToPosixWideFormat(L"start proe failed. %s"), L"start proe failed. %ls");
  EXPECT_EQ(port::ToPosixWideFormat(L"%d %-10s %% %%s %ls"), L"%d %-10ls %% %%s %ls");
  EXPECT_EQ(port::ToPosixWideFormat(L"100%"), L"100%");
}

}  // namespace
