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
    port::Language expected;
  } cases[] = {
      {nullptr, nullptr, nullptr, nullptr, port::Language::kEnglish},
      {nullptr, nullptr, nullptr, "zh_CN.UTF-8", port::Language::kSimplifiedChinese},
      {nullptr, nullptr, nullptr, "zh_SG", port::Language::kSimplifiedChinese},
      {nullptr, nullptr, nullptr, "zh-cn", port::Language::kSimplifiedChinese},
      {nullptr, nullptr, nullptr, "zh_TW@euro", port::Language::kTraditionalChinese},
      {nullptr, nullptr, nullptr, "zh_HK", port::Language::kTraditionalChinese},
      {nullptr, nullptr, nullptr, "zh_MO.Big5", port::Language::kTraditionalChinese},
      {nullptr, nullptr, nullptr, "zh", port::Language::kEnglish},
      {nullptr, nullptr, nullptr, "zh_XX", port::Language::kEnglish},
      {nullptr, nullptr, nullptr, "de_DE", port::Language::kEnglish},
      {nullptr, nullptr, "zh_TW.UTF-8", "en_US.UTF-8", port::Language::kTraditionalChinese},
      {nullptr, "zh_CN.UTF-8", "zh_TW.UTF-8", "en_US", port::Language::kSimplifiedChinese},
      {"en_GB:zh_CN", "zh_CN.UTF-8", nullptr, nullptr, port::Language::kEnglish},
      {"zh_HK:en", nullptr, nullptr, "en_US", port::Language::kTraditionalChinese},
  };
  for (const auto& c : cases) {
    tavtest::ScopedEnv language("LANGUAGE", c.language), all("LC_ALL", c.all),
        messages("LC_MESSAGES", c.messages), lang("LANG", c.lang);
    EXPECT_EQ(port::CurrentLanguage(), c.expected)
        << (c.language ? c.language : "-") << " " << (c.all ? c.all : "-") << " "
        << (c.messages ? c.messages : "-") << " " << (c.lang ? c.lang : "-");
  }
}

}  // namespace
