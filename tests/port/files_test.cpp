#include "port/files.h"

#include <cerrno>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

class FilesTest : public ::testing::Test {
 protected:
  tavtest::TempDir dir_;
};

TEST_F(FilesTest, TempDirectoryFollowsTmpdirAndEndsWithSlash) {
  {
    tavtest::ScopedEnv env("TMPDIR", "/var/tmp");
    EXPECT_EQ(port::TempDirectory(), "/var/tmp/");
  }
  {
    tavtest::ScopedEnv env("TMPDIR", "/var/tmp/");
    EXPECT_EQ(port::TempDirectory(), "/var/tmp/");
    EXPECT_EQ(port::TempDirectoryW(), L"/var/tmp/");
  }
  {
    tavtest::ScopedEnv env("TMPDIR", nullptr);
    EXPECT_EQ(port::TempDirectory(), "/tmp/");
  }
  {
    tavtest::ScopedEnv env("TMPDIR", "");
    EXPECT_EQ(port::TempDirectory(), "/tmp/");
  }
}

TEST_F(FilesTest, CreatesFindsAndDeletesWithWidePaths) {
  const std::wstring base(dir_.path().begin(), dir_.path().end());
  const std::wstring sub = base + L"模型 dir";
  EXPECT_FALSE(port::FileExists(sub));
  ASSERT_TRUE(port::CreateDirectory(sub));
  EXPECT_TRUE(port::FileExists(sub));
  EXPECT_FALSE(port::CreateDirectory(sub));  // exists already
  EXPECT_EQ(errno, EEXIST);

  const std::wstring file = sub + L"/bracket.prt.1";
  tavtest::WriteFile(dir_.path() + "模型 dir/bracket.prt.1", "x");
  EXPECT_TRUE(port::FileExists(file));
  EXPECT_TRUE(port::DeleteFile(file));
  EXPECT_FALSE(port::FileExists(file));
  EXPECT_FALSE(port::DeleteFile(file));
  EXPECT_FALSE(port::FileExists(std::wstring()));
}

TEST_F(FilesTest, ChangesCurrentDirectoryAndBack) {
  const std::wstring before = port::GetCurrentDirectoryW();
  ASSERT_FALSE(before.empty());
  ASSERT_TRUE(port::SetCurrentDirectory(dir_.path()));
  std::string expected = dir_.path();
  expected.pop_back();  // reported without the trailing '/'
  EXPECT_EQ(port::GetCurrentDirectory(), expected);
  EXPECT_FALSE(port::SetCurrentDirectory(dir_.path() + "missing"));
  EXPECT_EQ(port::GetCurrentDirectory(), expected);
  ASSERT_TRUE(port::SetCurrentDirectory(before));
  EXPECT_EQ(port::GetCurrentDirectoryW(), before);
}

}  // namespace
