#include "port/files.h"

#include <shlwapi.h>
#include <vector>

#include "base/unique_fd.h"
#include "base/utf.h"

namespace port {

bool FileExists(const std::wstring& path) {
  return !path.empty() && ::PathFileExistsW(path.c_str()) != FALSE;
}
bool FileExists(const std::string& path) { return FileExists(base::Utf8ToWide(path)); }

bool CreateDirectory(const std::string& path) { return GetEnv().CreateDirectory(path); }
bool CreateDirectory(const std::wstring& path) { return CreateDirectory(base::WideToUtf8(path)); }

int WriteFile(const std::string& path, const std::string& data, WriteMode mode) {
  Env& env = GetEnv();
  const base::UniqueFd fd(env.OpenForWriting(path, mode));
  if (!fd.valid()) return static_cast<int>(::GetLastError());
  const char* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    const long n = env.Write(fd.get(), p, left);
    if (n <= 0) {
      const int error = static_cast<int>(n < 0 ? ::GetLastError() : ERROR_DISK_FULL);
      // What was in the file went with the truncation: a part of the new data is
      // worth nothing, and would stay behind unknown to the caller. Windows
      // deletes an open file when its last handle closes.
      if (mode == WriteMode::kTruncate) ::DeleteFileW(base::Utf8ToWide(path).c_str());
      return error;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return 0;
}

bool DeleteFile(const std::wstring& path) { return ::DeleteFileW(path.c_str()) != FALSE; }
bool DeleteFile(const std::string& path) { return DeleteFile(base::Utf8ToWide(path)); }

std::string GetCurrentDirectory() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return std::string();
  std::vector<wchar_t> buffer(size);
  const DWORD n = ::GetCurrentDirectoryW(size, buffer.data());
  if (n == 0 || n >= size) return std::string();
  std::wstring dir(buffer.data(), n);
  if (dir.size() > 3 && dir.back() == L'\\') dir.pop_back();  // "C:\" keeps its '\'
  return base::WideToUtf8(dir);
}

}  // namespace port
