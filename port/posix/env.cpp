#include "port/env.h"

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/temp_dir.h"

namespace port {
namespace {

SystemEnv g_posix_env;
std::atomic<Env*> g_env{&g_posix_env};

}  // namespace

std::string SystemEnv::TempDirectory() { return base::TempDirectory(); }

bool SystemEnv::CreateDirectory(const std::string& path) {
  return ::mkdir(path.c_str(), 0777) == 0;
}

int SystemEnv::OpenForWriting(const std::string& path, WriteMode mode) {
  const int flags =
      O_WRONLY | O_CREAT | O_CLOEXEC | (mode == WriteMode::kAppend ? O_APPEND : O_TRUNC);
  return ::open(path.c_str(), flags, 0666);
}

long SystemEnv::Write(int fd, const char* data, std::size_t size) {
  return ::write(fd, data, size);
}

int SystemEnv::StartProgram(const std::string& path, const std::vector<std::string>& argv,
                            const base::SpawnOptions& options, long* pid) {
  return base::SpawnDetached(path, argv, options, pid);
}

Env& GetEnv() { return *g_env.load(std::memory_order_acquire); }

Env* SetEnv(Env* env) {
  return g_env.exchange(env ? env : &g_posix_env, std::memory_order_acq_rel);
}

}  // namespace port
