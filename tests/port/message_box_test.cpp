#include "port/message_box.h"

#include <gtest/gtest.h>

#include "port/log_file.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(MessageBoxTest, InformationBoxGoesToStderrAndLog) {
  tavtest::TempDir dir;
  tavtest::ScopedEnv tmpdir(tavtest::kTempDirVariable, dir.path().c_str());
  tavtest::ScopedEnv quiet(port::kNoMessageBoxVariable, "1");
  ::testing::internal::CaptureStderr();
  port::InformationBox(L"menu not exists.", L"TAV");
  port::InformationBox(L"菜单不存在");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "TAV: menu not exists.\n菜单不存在\n");
  EXPECT_EQ(tavtest::ReadFile(port::LogFilePath()), "TAV: menu not exists.\n菜单不存在\n");
}

}  // namespace
