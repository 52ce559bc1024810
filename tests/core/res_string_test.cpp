#include "src/res_string.h"

#include <gtest/gtest.h>

#include "src/string_util.h"
#include "tests/support/temp_dir.h"

namespace {

class ResStringTest : public ::testing::Test {
 protected:
  tavtest::ScopedEnv language_{"LANGUAGE", nullptr};
  tavtest::ScopedEnv all_{"LC_ALL", nullptr};
  tavtest::ScopedEnv messages_{"LC_MESSAGES", nullptr};
  tavtest::ScopedEnv lang_{"LANG", "en_US.UTF-8"};
};

TEST_F(ResStringTest, MessagesFormatWithTheirArguments) {
  EXPECT_EQ(FormatString(LoadResFormat(5200).c_str(), -23), L"connect proe error\u00A1\u00A3(-23)");
  EXPECT_EQ(FormatString(LoadResFormat(5202).c_str(), L"/opt/proe/bin/proe"),
            L"start proe failed. /opt/proe/bin/proe");
  EXPECT_EQ(LoadResString(5202), L"start proe failed. %s");
}

TEST_F(ResStringTest, FollowsLocale) {
  tavtest::ScopedEnv chinese("LC_ALL", "zh_CN.UTF-8");
  EXPECT_EQ(LoadResString(5214), L"数据库文件不存在");
  EXPECT_EQ(FormatString(LoadResFormat(5202).c_str(), L"proe"), L"打开 proe 失败。proe");
  tavtest::ScopedEnv traditional("LC_ALL", "zh_TW.UTF-8");
  EXPECT_EQ(LoadResString(5214), L"資料庫檔案不存在");
}

TEST_F(ResStringTest, UnknownIdIsEmpty) { EXPECT_EQ(LoadResString(1), L""); }

}  // namespace
