#include "base/temp_dir.h"

#include <cstdlib>

namespace base {

std::string TempDirectory() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = dir && *dir ? dir : "/tmp";
  if (path.back() != '/') path += '/';
  return path;
}

}  // namespace base
