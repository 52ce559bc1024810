#include "port/env.h"

#include <atomic>
#include <fcntl.h>
#include <io.h>

#include "base/temp_dir.h"
#include "base/utf.h"

namespace port {
namespace {

SystemEnv g_system_env;
std::atomic<Env*> g_env{&g_system_env};

}  // namespace

std::string SystemEnv::TempDirectory() { return base::TempDirectory(); }

bool SystemEnv::CreateDirectory(const std::string& path) {
  return ::CreateDirectoryW(base::Utf8ToWide(path).c_str(), nullptr) != FALSE;
}

int SystemEnv::OpenForWriting(const std::string& path, WriteMode mode) {
  // FILE_APPEND_DATA without FILE_WRITE_DATA: every write lands at the end, as
  // with O_APPEND (on Windows itself; Wine's end-of-file write is two steps, which
  // is why the log serialises its own appends).
  const bool append = mode == WriteMode::kAppend;
  const HANDLE file =
      ::CreateFileW(base::Utf8ToWide(path).c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(file);
    ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
  }
  return fd;
}

long SystemEnv::Write(int fd, const char* data, std::size_t size) {
  const HANDLE file = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  DWORD written = 0;
  const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
  if (!::WriteFile(file, data, chunk, &written, nullptr)) return -1;
  return static_cast<long>(written);
}

int SystemEnv::StartProgram(const std::string& path, const std::vector<std::string>& argv,
                            const base::SpawnOptions& options, long* pid) {
  return base::SpawnDetached(path, argv, options, pid);
}

Env& GetEnv() { return *g_env.load(std::memory_order_acquire); }

Env* SetEnv(Env* env) {
  return g_env.exchange(env ? env : &g_system_env, std::memory_order_acq_rel);
}

}  // namespace port
