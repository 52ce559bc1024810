#include "host/system.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <random>
#ifdef _WIN32
#include <windows.h>
#include <io.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tavhost {
namespace {

#ifndef _WIN32
std::string ShellWord(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}
#endif

}  // namespace

#ifdef _WIN32

bool MakeTempDir(std::string* pattern) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = *pattern;
    for (std::size_t i = name.size() - 6; i < name.size(); ++i)
      name[i] = "abcdefghijklmnopqrstuvwxyz0123456789"[random() % 36];
    std::error_code error;
    if (std::filesystem::create_directory(std::filesystem::u8path(name), error)) {
      *pattern = name;
      return true;
    }
    if (error) return false;
  }
  return false;
}

void SetEnvironment(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }

bool IsTerminal(int fd) { return _isatty(fd) != 0; }

std::filesystem::path SelfPath() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return n == 0 || n == MAX_PATH ? std::filesystem::path() : std::filesystem::path(path);
}

int RunShell(const std::string& command, const std::string& programs, std::string* output) {
  if (!programs.empty()) {
    const char* path = std::getenv("PATH");
    SetEnvironment("PATH", programs + ";" + (path ? path : ""));
  }
  FILE* pipe = _popen((command + " <NUL").c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output->append(buffer, n);
  return _pclose(pipe);
}

int LetterWidth(wchar_t) { return 1; }

#else

bool MakeTempDir(std::string* pattern) { return ::mkdtemp(pattern->data()) != nullptr; }

void SetEnvironment(const char* name, const std::string& value) {
  ::setenv(name, value.c_str(), 1);
}

bool IsTerminal(int fd) { return ::isatty(fd) != 0; }

std::filesystem::path SelfPath() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self;
}

int RunShell(const std::string& command, const std::string& programs, std::string* output) {
  const std::string path_setting =
      programs.empty() ? "" : "PATH=" + ShellWord(programs) + ":\"$PATH\"; export PATH\n";
  FILE* pipe = ::popen((path_setting + "exec </dev/null\n" + command).c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output->append(buffer, n);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int LetterWidth(wchar_t letter) {
  const int columns = ::wcwidth(letter);
  return columns < 0 ? 1 : columns;
}

#endif

}  // namespace tavhost
