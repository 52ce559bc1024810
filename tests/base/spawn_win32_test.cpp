// base::SpawnDetached on Windows (CreateProcessW); on POSIX the shell tests of
// port/ prove it through ShellOpen.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "base/spawn.h"
#include "base/utf.h"
#include "tests/support/temp_dir.h"

namespace {

// Started by the test, this executable prints its arguments and working directory
// and ends before any test runs.
constexpr char kChildVar[] = "TAV_SPAWN_TEST_CHILD";

struct Child {
  Child() {
    if (!std::getenv(kChildVar)) return;
    for (int i = 1; i < __argc; ++i) std::printf("[%s]", __argv[i]);
    std::printf("\n%s\n", std::filesystem::current_path().u8string().c_str());
    std::fflush(stdout);
    std::_Exit(0);
  }
} g_child;

std::string SelfPath() {
  wchar_t buffer[MAX_PATH] = {};
  return base::WideToUtf8(std::wstring(buffer, ::GetModuleFileNameW(nullptr, buffer, MAX_PATH)));
}

TEST(SpawnWin32Test, RunsInTheDirectoryWithQuotedArgumentsAndOutputToTheFile) {
  tavtest::TempDir dir;
  tavtest::ScopedEnv child(kChildVar, "1");
  base::SpawnOptions options;
  options.directory = dir.path();
  options.output_file = dir.file("out.txt");
  long pid = 0;
  ASSERT_EQ(
      base::SpawnDetached(SelfPath(), {SelfPath(), "a b", "say \"hi\"", "c:\\x\\"}, options, &pid),
      0);
  const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process) {  // gone already when it was quick
    EXPECT_EQ(::WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
    ::CloseHandle(process);
  }
  std::string dir_path = dir.path();
  dir_path.pop_back();                               // without the trailing separator
  EXPECT_EQ(tavtest::ReadFile(options.output_file),  // the child's stdout is in text mode
            "[a b][say \"hi\"][c:\\x\\]\r\n" + dir_path + "\r\n");
}

TEST(SpawnWin32Test, MissingProgramIsEnoent) {
  long pid = 0;
  EXPECT_EQ(base::SpawnDetached("C:\\no\\such\\program.exe", {"program"}, {}, &pid), ENOENT);
}

}  // namespace
