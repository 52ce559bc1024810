#include "port/files.h"

#include <cerrno>

#include <gtest/gtest.h>

#include "port/last_error.h"
#include "tests/support/temp_dir.h"

namespace {

class FilesTest : public ::testing::Test {
 protected:
  tavtest::TempDir dir_;
};

TEST_F(FilesTest, CreatesFindsAndDeletesWithWidePaths) {
  const std::wstring base(dir_.path().begin(), dir_.path().end());
  const std::wstring sub = base + L"模型 dir";
  EXPECT_FALSE(port::FileExists(sub));
  ASSERT_TRUE(port::CreateDirectory(sub));
  EXPECT_TRUE(port::FileExists(sub));
  EXPECT_FALSE(port::CreateDirectory(sub));  // exists already
#ifdef _WIN32
  EXPECT_EQ(port::LastError(), 183);  // ERROR_ALREADY_EXISTS
#else
  EXPECT_EQ(port::LastError(), EEXIST);
#endif

  const std::wstring file = sub + L"/bracket.prt.1";
  tavtest::WriteFile(dir_.path() + "模型 dir/bracket.prt.1", "x");
  EXPECT_TRUE(port::FileExists(file));
  EXPECT_TRUE(port::DeleteFile(file));
  EXPECT_FALSE(port::FileExists(file));
  EXPECT_FALSE(port::DeleteFile(file));
  EXPECT_FALSE(port::FileExists(std::wstring()));
}

}  // namespace
