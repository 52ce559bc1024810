// The Win32 side of ShellOpen (ShellExecuteExW); the codes mean what they mean
// on POSIX (shell_test.cpp).
#include <windows.h>
#include <cstdlib>

#include <gtest/gtest.h>

#include "base/utf.h"
#include "port/files.h"
#include "port/shell.h"
#include "tests/support/temp_dir.h"

namespace {

// Started by ShellOpen, this executable writes its working directory into the
// file this variable names and ends before any test runs.
constexpr char kReportVar[] = "TAV_SHELL_TEST_REPORT";

struct ChildReport {
  ChildReport() {
    const char* file = std::getenv(kReportVar);
    if (!file) return;
    tavtest::WriteFile(file, port::GetCurrentDirectory());
    std::_Exit(0);
  }
} g_child_report;

std::wstring SelfPath() {
  wchar_t buffer[MAX_PATH] = {};
  return std::wstring(buffer, ::GetModuleFileNameW(nullptr, buffer, MAX_PATH));
}

class ShellOpenWin32Test : public ::testing::Test {
 protected:
  tavtest::TempDir dir_;
  const std::string work_ = dir_.file("work dir");
};

TEST_F(ShellOpenWin32Test, StartsInTheGivenDirectoryAndLeavesOursAlone) {
  ASSERT_TRUE(port::CreateDirectory(work_));
  const std::string report = dir_.file("report.txt");
  tavtest::ScopedEnv child(kReportVar, report.c_str());
  const std::string cwd = port::GetCurrentDirectory();
  long pid = 0;
  ASSERT_EQ(port::ShellOpen(SelfPath(), L"", base::Utf8ToWide(work_), &pid), 0);
  ASSERT_NE(pid, 0);
  const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process) {  // gone already when it was quick
    EXPECT_EQ(::WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
    ::CloseHandle(process);
  }
  EXPECT_EQ(tavtest::ReadFile(report), work_);
  EXPECT_EQ(port::GetCurrentDirectory(), cwd);
}

TEST_F(ShellOpenWin32Test, FailuresKeepTheShellsMeanings) {
  ASSERT_TRUE(port::CreateDirectory(work_));
  const std::string data = dir_.file("notes.tav-no-association");
  tavtest::WriteFile(data, "x");
  const struct {
    std::string file, directory;
    long expected;
  } cases[] = {
      {dir_.file("no such program.exe"), work_, port::kShellFileNotFound},
      {"tav-no-such-program-on-path.exe", "", port::kShellFileNotFound},
      {"", "", port::kShellFileNotFound},
      {work_, work_, port::kShellNoAssociation},  // a directory
      {data, work_, port::kShellNoAssociation},   // nothing is registered to open it
      {base::WideToUtf8(SelfPath()), dir_.file("gone"), port::kShellPathNotFound},
  };
  for (const auto& c : cases)
    EXPECT_EQ(port::ShellOpen(c.file, "", c.directory), c.expected)
        << c.file << " in " << c.directory;
}

}  // namespace
