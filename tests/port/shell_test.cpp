#include "port/shell.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "port/files.h"
#include "tests/support/temp_dir.h"

namespace {

// When the test binary is started by ShellOpen as the child, it reports its
// working directory and open descriptors into the FIFO named by this variable,
// then exits before any test runs.
constexpr char kReportVar[] = "TAV_SHELL_TEST_REPORT";

struct ChildReport {
  ChildReport() {
    const char* fifo = std::getenv(kReportVar);
    if (!fifo) return;
    std::string text = port::GetCurrentDirectory() + "\n";
    for (const char* fd : {"0", "1", "2"}) {
      char target[4096];
      const ssize_t n =
          ::readlink((std::string("/proc/self/fd/") + fd).c_str(), target, sizeof target - 1);
      text += (n > 0 ? std::string(target, n) : std::string("?")) + "\n";
    }
    const std::string fd_dir = "/proc/self/fd";
    const int dir_fd = ::open(fd_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int out = ::open(fifo, O_WRONLY | O_CLOEXEC);
    for (int fd = 0; fd < 1024; ++fd) {
      if (fd == dir_fd || fd == out) continue;
      if (::fcntl(fd, F_GETFD) != -1) text += std::to_string(fd) + " ";
    }
    text += "\nEND\n";
    if (out >= 0) (void)!::write(out, text.data(), text.size());
    std::_Exit(0);
  }
} g_child_report;

std::string SelfPath() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, n) : std::string();
}

class ShellOpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fifo_ = dir_.file("report.fifo");
    ASSERT_EQ(::mkfifo(fifo_.c_str(), 0600), 0);
    // Non-blocking open so the test does not wait for a writer here.
    reader_ = ::open(fifo_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader_, 0);
    work_ = dir_.file("work dir");
    ASSERT_TRUE(port::CreateDirectory(work_));
    cwd_before_ = port::GetCurrentDirectory();
  }
  void TearDown() override {
    if (reader_ >= 0) ::close(reader_);
    EXPECT_EQ(port::GetCurrentDirectory(), cwd_before_);
  }

  // Everything the child wrote, up to its END line; empty if none came in time.
  std::string ReadReport() {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (text.find("END\n") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd p{reader_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char buffer[4096];
      const ssize_t n = ::read(reader_, buffer, sizeof buffer);
      if (n > 0) text.append(buffer, n);
      if (n == 0) {
        // No writer (yet, or any more): wait for one without spinning.
        pollfd again{reader_, POLLIN, 0};
        ::poll(&again, 1, 50);
      }
    }
    return text;
  }

  tavtest::TempDir dir_;
  std::string fifo_;
  std::string work_;
  std::string cwd_before_;
  int reader_ = -1;
};

TEST_F(ShellOpenTest, ChildInheritsNoDescriptorOrStreamOfOurs) {
  tavtest::ScopedEnv temp("TMPDIR", dir_.path().c_str());
  // Descriptors opened without close-on-exec, as careless host code would.
  const int leaked_file = ::open(fifo_.c_str(), O_RDONLY | O_NONBLOCK);
  int leaked_pipe[2];
  ASSERT_EQ(::pipe(leaked_pipe), 0);
  tavtest::ScopedEnv report(kReportVar, fifo_.c_str());
  long pid = 0;
  const long result = port::ShellOpen(SelfPath(), "", work_, &pid);
  ::close(leaked_file);
  ::close(leaked_pipe[0]);
  ::close(leaked_pipe[1]);
  ASSERT_EQ(result, 0);
  EXPECT_GT(pid, 0);
  const std::string text = ReadReport();
  std::istringstream lines(text);
  std::string cwd, in, out, err, fds;
  std::getline(lines, cwd);
  std::getline(lines, in);
  std::getline(lines, out);
  std::getline(lines, err);
  std::getline(lines, fds);
  char real[4096];
  ASSERT_NE(::realpath(work_.c_str(), real), nullptr);
  EXPECT_EQ(cwd, real);
  EXPECT_EQ(in, "/dev/null");
  ASSERT_NE(::realpath(dir_.path().c_str(), real), nullptr);
  EXPECT_EQ(out, std::string(real) + "/" + port::kShellOutputLog);
  EXPECT_EQ(err, out);
  EXPECT_EQ(fds, "0 1 2 ");
}

TEST_F(ShellOpenTest, FailuresKeepTheShellsMeanings) {
  const std::string data = dir_.file("bracket.prt.1");
  tavtest::WriteFile(data, "model data\n");
  const std::string junk = dir_.file("junk.bin");
  tavtest::WriteFile(junk, std::string("\x01\x02\x03\x04garbage", 11));
  ASSERT_EQ(::chmod(junk.c_str(), 0755), 0);
  const struct {
    std::string file, directory;
    long code;
  } cases[] = {
      {dir_.file("no such program"), work_, port::kShellFileNotFound},
      {"tav-no-such-program-on-path", "", port::kShellFileNotFound},
      {"", "", port::kShellFileNotFound},
      {work_, work_, port::kShellNoAssociation},  // a directory
      {data, work_, port::kShellAccessDenied},    // not executable
      {junk, work_, port::kShellNoAssociation},   // executable in no known format
      {"/bin/true", dir_.file("gone"), port::kShellPathNotFound},
  };
  for (const auto& c : cases) {
    long pid = -7;
    EXPECT_EQ(port::ShellOpen(c.file, "", c.directory, &pid), c.code) << c.file;
    EXPECT_EQ(pid, -7) << "no process id on failure";
  }
}

}  // namespace
