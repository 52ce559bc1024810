#include "sim/client_path.h"

#include <algorithm>

namespace sim {

std::string ClientPath(const std::string& path) {
  if (path.size() < 3 || (path[0] != 'Z' && path[0] != 'z') || path[1] != ':' ||
      (path[2] != '\\' && path[2] != '/'))
    return path;
  std::string unix_path = path.substr(2);
  std::replace(unix_path.begin(), unix_path.end(), '\\', '/');
  return unix_path;
}

}  // namespace sim
