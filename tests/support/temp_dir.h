#pragma once
// A fresh directory under the system temporary directory, removed with everything
// in it when the object goes out of scope. Tests point TMPDIR at one so that the
// log, message files and simulator sockets they cause stay their own.
#include <string>

namespace tavtest {

// The variable the system's temporary directory follows (base/temp_dir.h).
#ifdef _WIN32
constexpr char kTempDirVariable[] = "TMP";
#else
constexpr char kTempDirVariable[] = "TMPDIR";
#endif

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Absolute path, ending with '/'.
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);  // value null: unset
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::string old_;
  bool had_old_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);

}  // namespace tavtest
