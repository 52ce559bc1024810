#include "base/temp_dir.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

TEST(TempDirectoryTest, FollowsTmpdirAndEndsWithSlash) {
  const struct {
    const char* tmpdir;  // null: unset
    const char* expected;
  } cases[] = {
      {"/var/tmp", "/var/tmp/"}, {"/var/tmp/", "/var/tmp/"}, {nullptr, "/tmp/"}, {"", "/tmp/"}};
  for (const auto& c : cases) {
    tavtest::ScopedEnv env("TMPDIR", c.tmpdir);
    EXPECT_EQ(base::TempDirectory(), c.expected) << (c.tmpdir ? c.tmpdir : "(unset)");
  }
}

}  // namespace
