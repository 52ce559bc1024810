// WriteLog: tav_cax_log.txt in the temporary directory, one UTF-8 line per call.
#include "src/log.h"

#include <cerrno>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

class WriteLogTest : public ::testing::Test {
 protected:
  std::string LogText() { return tavtest::ReadFile(dir_.file("tav_cax_log.txt")); }

  tavtest::TempDir dir_;
  tavtest::ScopedEnv tmpdir_{tavtest::kTempDirVariable, dir_.path().c_str()};
};

TEST_F(WriteLogTest, AppendsUtf8LinesToWhatIsThere) {
  tavtest::WriteFile(dir_.file("tav_cax_log.txt"), "from an earlier session\n");
  WriteLog(L"proe not exists.");
  WriteLog(L"打开 café");
  EXPECT_EQ("from an earlier session\nproe not exists.\n\xE6\x89\x93\xE5\xBC\x80 caf\xC3\xA9\n",
            LogText());
}

TEST_F(WriteLogTest, TwoThreadsEachKeepTheirOrderAndWholeLines) {
  constexpr int kLines = 300;
  auto writer = [](char tag) {
    for (int i = 0; i < kLines; ++i) WriteLog(std::wstring(1, tag) + L" " + std::to_wstring(i));
  };
  std::thread a(writer, 'A'), b(writer, 'B');
  a.join();
  b.join();
  int next[2] = {0, 0};
  std::size_t lines = 0;
  std::istringstream in(LogText());
  for (std::string line; std::getline(in, line); ++lines) {
    const int who = line[0] == 'B';
    EXPECT_EQ(std::string(1, "AB"[who]) + " " + std::to_string(next[who]++), line);
  }
  EXPECT_EQ(2u * kLines, lines);
}

TEST_F(WriteLogTest, AnUnwritableLogLosesTheLineSilently) {
  tavtest::ScopedEnv gone(tavtest::kTempDirVariable, dir_.file("missing").c_str());
  errno = EINTR;
  WriteLog(L"lost");
  EXPECT_EQ(EINTR, errno);
  EXPECT_EQ("", LogText());
}

}  // namespace
