#include "src/res_string.h"

#include <gtest/gtest.h>

#include "src/string_util.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(ResStringTest, TextsFollowTheLocaleAndFormatWithTheirArguments) {
  tavtest::ScopedEnv language("LANGUAGE", nullptr), messages("LC_MESSAGES", nullptr),
      lang("LANG", "en_US.UTF-8");
  tavtest::ScopedEnv all("LC_ALL", nullptr);
  EXPECT_EQ(L"connect proe error\u00A1\u00A3(-23)", FormatString(LoadResFormat(5200).c_str(), -23));
  EXPECT_EQ(L"start proe failed. %s", LoadResString(5202));
  EXPECT_EQ(L"start proe failed. /opt/proe",
            FormatString(LoadResFormat(5202).c_str(), L"/opt/proe"));
  EXPECT_EQ(L"", LoadResString(1));
  {
    tavtest::ScopedEnv chinese("LC_ALL", "zh_CN.UTF-8");
    EXPECT_EQ(L"数据库文件不存在", LoadResString(5214));
    EXPECT_EQ(L"打开 proe 失败。proe", FormatString(LoadResFormat(5202).c_str(), L"proe"));
  }
  tavtest::ScopedEnv traditional("LC_ALL", "zh_TW.UTF-8");
  EXPECT_EQ(L"資料庫檔案不存在", LoadResString(5214));
}

}  // namespace
