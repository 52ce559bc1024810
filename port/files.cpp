#include "port/files.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "base/utf.h"

namespace port {

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}
bool FileExists(const std::wstring& path) { return FileExists(base::WideToUtf8(path)); }

bool CreateDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }
bool CreateDirectory(const std::wstring& path) { return CreateDirectory(base::WideToUtf8(path)); }

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }
bool DeleteFile(const std::wstring& path) { return DeleteFile(base::WideToUtf8(path)); }

std::string GetCurrentDirectory() {
  std::vector<char> buffer(256);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  return std::string(buffer.data());
}

}  // namespace port
