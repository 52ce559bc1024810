#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace tavtest {
namespace {

void Set(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value ? value : "");  // updates the process's Win32 environment too
#else
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
#endif
}

}  // namespace

TempDir::TempDir() {
  // The system's temporary directory: $TMPDIR or /tmp, on Windows GetTempPathW.
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  std::random_device random;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const std::filesystem::path dir = base / ("tavtest-" + std::to_string(random()));
    if (std::filesystem::create_directory(dir))
      path_ = dir.u8string() + static_cast<char>(std::filesystem::path::preferred_separator);
  }
  if (path_.empty()) throw std::runtime_error("no temporary directory under " + base.u8string());
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  const char* old = std::getenv(name);
  had_old_ = old != nullptr;
  if (old) old_ = old;
  Set(name, value);
}

ScopedEnv::~ScopedEnv() { Set(name_.c_str(), had_old_ ? old_.c_str() : nullptr); }

// Paths are UTF-8; on Windows a plain std::string would be read in the ANSI code page.
std::string ReadFile(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
  out << text;
}

}  // namespace tavtest
