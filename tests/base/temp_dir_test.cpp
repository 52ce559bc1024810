#include "base/temp_dir.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

TEST(TempDirectoryTest, FollowsTheVariableAndEndsWithTheSeparator) {
  const struct {
    const char* value;  // null: unset
    const char* expected;
  } cases[] = {
#ifdef _WIN32
      {"C:\\work", "C:\\work\\"}, {"C:\\work\\", "C:\\work\\"}, {"Z:\\tmp\\x", "Z:\\tmp\\x\\"}};
#else
      {"/var/tmp", "/var/tmp/"}, {"/var/tmp/", "/var/tmp/"}, {nullptr, "/tmp/"}, {"", "/tmp/"}};
#endif
  for (const auto& c : cases) {
    tavtest::ScopedEnv env(tavtest::kTempDirVariable, c.value);
    EXPECT_EQ(base::TempDirectory(), c.expected) << (c.value ? c.value : "(unset)");
  }
}

}  // namespace
