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

TEST_F(StringTableTest, EnglishTextsAreExact) {
  EXPECT_EQ(port::LoadString(5200), L"connect proe error\u00A1\u00A3(%d)");
  EXPECT_EQ(port::LoadString(5201),
            L"have not set the environment variable PRO_COMM_MSG_EXE,or pro_comm_msg.exe path "
            L"error.");
  EXPECT_EQ(port::LoadString(5202), L"start proe failed. %s");
  EXPECT_EQ(port::LoadString(5203), L"Proe execution path not found.");
  EXPECT_EQ(port::LoadString(5210), L"Open File Error.");
  EXPECT_EQ(port::LoadString(5211), L"has not active document.");
  EXPECT_EQ(port::LoadString(5212), L"close file failed.");
  EXPECT_EQ(port::LoadString(5213), L"save file failed.");
  EXPECT_EQ(port::LoadString(5214), L"db file not exists.");
  EXPECT_EQ(port::LoadString(5220), L"menu not exists.");
}

TEST_F(StringTableTest, UnknownIdsGiveEmptyText) {
  for (unsigned id : {0u, 5199u, 5204u, 5209u, 5215u, 5219u, 5221u, 65535u}) {
    EXPECT_EQ(port::LoadString(id), L"") << id;
    EXPECT_EQ(port::LoadString(id, port::kLanguageSimplifiedChinese), L"") << id;
  }
}

TEST_F(StringTableTest, SimplifiedChineseForMainlandAndSingapore) {
  for (const char* locale : {"zh_CN.UTF-8", "zh_SG", "zh_CN.GB18030", "zh-cn"}) {
    tavtest::ScopedEnv env("LANG", locale);
    EXPECT_EQ(port::CurrentLanguage(), port::kLanguageSimplifiedChinese) << locale;
  }
  tavtest::ScopedEnv env("LANG", "zh_CN.UTF-8");
  EXPECT_EQ(port::LoadString(5200), L"连接 proe 失败。(%d)");
  EXPECT_EQ(port::LoadString(5201),
            L"未设置环境变量 PRO_COMM_MSG_EXE, 或者 pro_comm_msg.exe 路径错误。");
  EXPECT_EQ(port::LoadString(5202), L"打开 proe 失败。%s");
  EXPECT_EQ(port::LoadString(5203), L"未找到proe执行路径。");
  EXPECT_EQ(port::LoadString(5210), L"打开文件错误");
  EXPECT_EQ(port::LoadString(5211), L"没有活动文件");
  EXPECT_EQ(port::LoadString(5212), L"关闭文件失败");
  EXPECT_EQ(port::LoadString(5213), L"保存文件失败");
  EXPECT_EQ(port::LoadString(5214), L"数据库文件不存在");
  EXPECT_EQ(port::LoadString(5220), L"菜单不存在");
}

TEST_F(StringTableTest, TraditionalChineseForTaiwanHongKongMacau) {
  for (const char* locale : {"zh_TW.UTF-8", "zh_HK", "zh_MO.Big5", "zh_TW@euro"}) {
    tavtest::ScopedEnv env("LANG", locale);
    EXPECT_EQ(port::CurrentLanguage(), port::kLanguageTraditionalChinese) << locale;
  }
  tavtest::ScopedEnv env("LANG", "zh_TW.UTF-8");
  EXPECT_EQ(port::LoadString(5203), L"未找到proe執行路徑。");
  EXPECT_EQ(port::LoadString(5220), L"選單不存在");
  // Every id has a text of its own in each language.
  for (unsigned id : {5200u, 5201u, 5202u, 5203u, 5210u, 5211u, 5212u, 5213u, 5214u, 5220u}) {
    const std::wstring traditional = port::LoadString(id);
    EXPECT_FALSE(traditional.empty()) << id;
    EXPECT_NE(traditional, port::LoadString(id, port::kLanguageEnglish)) << id;
  }
}

TEST_F(StringTableTest, OtherLocalesGiveEnglish) {
  for (const char* locale : {"C", "POSIX", "en_US.UTF-8", "de_DE", "zh", "zh_XX", "ja_JP"}) {
    tavtest::ScopedEnv env("LANG", locale);
    EXPECT_EQ(port::CurrentLanguage(), port::kLanguageEnglish) << locale;
  }
}

TEST_F(StringTableTest, VariablesAreReadInPrecedenceOrder) {
  tavtest::ScopedEnv lang("LANG", "en_US.UTF-8");
  tavtest::ScopedEnv messages("LC_MESSAGES", "zh_TW.UTF-8");
  EXPECT_EQ(port::CurrentLanguage(), port::kLanguageTraditionalChinese);
  {
    tavtest::ScopedEnv all("LC_ALL", "zh_CN.UTF-8");
    EXPECT_EQ(port::CurrentLanguage(), port::kLanguageSimplifiedChinese);
    tavtest::ScopedEnv language("LANGUAGE", "en_GB:zh_CN");
    EXPECT_EQ(port::CurrentLanguage(), port::kLanguageEnglish);
  }
  tavtest::ScopedEnv language("LANGUAGE", "zh_HK:en");
  EXPECT_EQ(port::CurrentLanguage(), port::kLanguageTraditionalChinese);
}

TEST_F(StringTableTest, WidensStringConversionsForPosixPrintf) {
  EXPECT_EQ(port::ToPosixWideFormat(L"start proe failed. %s"), L"start proe failed. %ls");
  EXPECT_EQ(port::ToPosixWideFormat(L"%d %-10s %% %%s %ls"), L"%d %-10ls %% %%s %ls");
  EXPECT_EQ(port::ToPosixWideFormat(L"100%"), L"100%");
}

}  // namespace
