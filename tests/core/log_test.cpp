#include "src/log.h"

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

class WriteLogTest : public ::testing::Test {
 protected:
  std::string LogText() { return tavtest::ReadFile(dir_.file("tav_cax_log.txt")); }
  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::istringstream in(LogText());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  tavtest::TempDir dir_;
  tavtest::ScopedEnv tmpdir_{"TMPDIR", dir_.path().c_str()};
};

TEST_F(WriteLogTest, SuccessiveCallsGiveLinesInOrder) {
  WriteLog(L"proe not exists.");
  WriteLog(L"connect ok.");
  EXPECT_EQ(LogText(), "proe not exists.\nconnect ok.\n");
}

TEST_F(WriteLogTest, NonAsciiTextIsWrittenAsUtf8) {
  WriteLog(L"打开文件错误 café");
  EXPECT_EQ(
      LogText(),
      "\xE6\x89\x93\xE5\xBC\x80\xE6\x96\x87\xE4\xBB\xB6\xE9\x94\x99\xE8\xAF\xAF caf\xC3\xA9\n");
}

TEST_F(WriteLogTest, ExistingLogIsKept) {
  tavtest::WriteFile(dir_.file("tav_cax_log.txt"), "from an earlier session\n");
  WriteLog(L"again");
  EXPECT_EQ(LogText(), "from an earlier session\nagain\n");
}

TEST_F(WriteLogTest, TwoThreadsEachKeepTheirOrderAndWholeLines) {
  constexpr int kLines = 300;
  auto writer = [](wchar_t tag) {
    for (int i = 0; i < kLines; ++i) WriteLog(std::wstring(1, tag) + L" " + std::to_wstring(i));
  };
  std::thread a(writer, L'A');
  std::thread b(writer, L'B');
  a.join();
  b.join();
  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 2u * kLines);
  int next_a = 0, next_b = 0;
  for (const std::string& line : lines) {
    if (line == "A " + std::to_string(next_a)) {
      ++next_a;
    } else if (line == "B " + std::to_string(next_b)) {
      ++next_b;
    } else {
      ADD_FAILURE() << "out of order or torn: " << line;
    }
  }
  EXPECT_EQ(next_a, kLines);
  EXPECT_EQ(next_b, kLines);
}

TEST_F(WriteLogTest, UnwritableLogIsSilent) {
  tavtest::ScopedEnv gone("TMPDIR", dir_.file("missing").c_str());
  WriteLog(L"lost");  // must neither throw nor crash
  EXPECT_EQ(LogText(), "");
}

}  // namespace
