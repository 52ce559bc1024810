#pragma once
// The module's environment: every call by which it writes a file, creates a
// directory, finds its temporary directory or starts a program goes through the
// process-wide Env returned by GetEnv(). The default SystemEnv makes the system
// calls; a test installs an Env of its own to make any of them fail with the
// error it chooses, and so meets the module's failure paths on a healthy machine.
//
// Errors are the system's own codes, read with port::LastError()
// (port/last_error.h): errno on POSIX, GetLastError() on Windows.
//
// Ownership: SetEnv does not take ownership; the installed Env must outlive its
// installation and every call that started through it (ScopedEnv restores the
// previous one). Every member of every Env here may be called from any thread at
// the same time.
#include <string>
#include <vector>

#include "base/spawn.h"
#include "port/system_names.h"

namespace port {

enum class WriteMode { kTruncate, kAppend };

class Env {
 public:
  virtual ~Env() = default;
  // The temporary directory, ending with the separator (base/temp_dir.h).
  virtual std::string TempDirectory() = 0;
  // Creates one directory (mode 0777 before umask); false with the error set.
  virtual bool CreateDirectory(const std::string& path) = 0;
  // Opens `path` for writing, creating it (0666 before umask) if needed, not
  // inherited by programs started later. A descriptor the caller owns (on
  // Windows the C runtime's, over the file's HANDLE), or -1 with the error set.
  virtual int OpenForWriting(const std::string& path, WriteMode mode) = 0;
  // One write: the bytes written, or -1 with the error set.
  virtual long Write(int fd, const char* data, std::size_t size) = 0;
  // base::SpawnDetached: 0 and the process id, or the errno of the failure.
  virtual int StartProgram(const std::string& path, const std::vector<std::string>& argv,
                           const base::SpawnOptions& options, long* pid) = 0;
};

// The operating system's calls (port/posix/env.cpp, port/win32/env.cpp).
class SystemEnv : public Env {
 public:
  std::string TempDirectory() override;
  bool CreateDirectory(const std::string& path) override;
  int OpenForWriting(const std::string& path, WriteMode mode) override;
  long Write(int fd, const char* data, std::size_t size) override;
  int StartProgram(const std::string& path, const std::vector<std::string>& argv,
                   const base::SpawnOptions& options, long* pid) override;
};

// The Env in use; a SystemEnv until a test installs another.
Env& GetEnv();
// Installs `env` (null restores the SystemEnv); returns the previous one.
Env* SetEnv(Env* env);

class ScopedEnv {
 public:
  explicit ScopedEnv(Env& env) : previous_(SetEnv(&env)) {}
  ~ScopedEnv() { SetEnv(previous_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  Env* previous_;
};

}  // namespace port
