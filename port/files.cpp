#include "port/files.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "port/text.h"

namespace port {

std::string TempDirectory() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = dir && *dir ? dir : "/tmp";
  if (path.back() != '/') path += '/';
  return path;
}

std::wstring TempDirectoryW() { return Utf8ToWide(TempDirectory()); }

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}
bool FileExists(const std::wstring& path) { return FileExists(WideToUtf8(path)); }

bool CreateDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }
bool CreateDirectory(const std::wstring& path) { return CreateDirectory(WideToUtf8(path)); }

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }
bool DeleteFile(const std::wstring& path) { return DeleteFile(WideToUtf8(path)); }

std::string GetCurrentDirectory() {
  std::vector<char> buffer(256);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  return std::string(buffer.data());
}
std::wstring GetCurrentDirectoryW() { return Utf8ToWide(GetCurrentDirectory()); }

bool SetCurrentDirectory(const std::string& path) { return ::chdir(path.c_str()) == 0; }
bool SetCurrentDirectory(const std::wstring& path) { return SetCurrentDirectory(WideToUtf8(path)); }

}  // namespace port
