#include "protocol/session_path.h"

#include <unistd.h>

#include "base/temp_dir.h"

namespace protocol {

std::string SessionDirectory() {
  return base::TempDirectory() + "proe-sim-" + std::to_string(::getuid());
}

std::string SessionSocketPath(const std::string& display) {
  std::string name;
  for (char c : display.empty() ? std::string("default") : display) {
    if (c == '/')
      name += "%2F";
    else if (c == '%')
      name += "%25";
    else
      name += c;
  }
  return SessionDirectory() + "/" + name + ".sock";
}

}  // namespace protocol
