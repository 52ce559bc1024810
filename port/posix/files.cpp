#include "port/files.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "base/unique_fd.h"
#include "base/utf.h"

namespace port {

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}
bool FileExists(const std::wstring& path) { return FileExists(base::WideToUtf8(path)); }

bool CreateDirectory(const std::string& path) { return GetEnv().CreateDirectory(path); }
bool CreateDirectory(const std::wstring& path) { return CreateDirectory(base::WideToUtf8(path)); }

int WriteFile(const std::string& path, const std::string& data, WriteMode mode) {
  Env& env = GetEnv();
  const base::UniqueFd fd(env.OpenForWriting(path, mode));
  if (!fd.valid()) return errno;
  const char* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    const long n = env.Write(fd.get(), p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      // What was in the file went with the truncation: a part of the new data is
      // worth nothing, and would stay behind unknown to the caller.
      if (mode == WriteMode::kTruncate) ::unlink(path.c_str());
      return error;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return 0;
}

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
