#include "port/log_file.h"

#include <cerrno>

#include <gtest/gtest.h>

#include "port/message_box.h"
#include "tests/support/temp_dir.h"

namespace {

class LogFileTest : public ::testing::Test {
 protected:
  tavtest::TempDir dir_;
  tavtest::ScopedEnv tmpdir_{"TMPDIR", dir_.path().c_str()};
};

TEST_F(LogFileTest, LivesInTempDirectory) {
  EXPECT_EQ(port::LogFilePath(), dir_.path() + "tav_cax_log.txt");
}

TEST_F(LogFileTest, AppendsLinesAndNeverTruncates) {
  tavtest::WriteFile(port::LogFilePath(), "earlier\n");
  port::AppendLogLine("first");
  port::AppendLogLine("");
  port::AppendLogLine("two\nlines");
  EXPECT_EQ(tavtest::ReadFile(port::LogFilePath()), "earlier\nfirst\n\ntwo\nlines\n");
}

TEST_F(LogFileTest, FailureIsSilentAndKeepsErrno) {
  errno = EINTR;
  port::AppendLogLine(dir_.path() + "missing/dir/log.txt", "lost");
  EXPECT_EQ(errno, EINTR);
  EXPECT_EQ(tavtest::ReadFile(dir_.path() + "missing/dir/log.txt"), "");
}

TEST_F(LogFileTest, InformationBoxGoesToStderrAndLog) {
  ::testing::internal::CaptureStderr();
  port::InformationBox(L"menu not exists.", L"TAV");
  port::InformationBox(L"菜单不存在");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "TAV: menu not exists.\n菜单不存在\n");
  EXPECT_EQ(tavtest::ReadFile(port::LogFilePath()), "TAV: menu not exists.\n菜单不存在\n");
}

}  // namespace
