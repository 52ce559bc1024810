#include "protocol/session_path.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
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

bool SessionDirectoryIsPrivate(const std::string& dir, std::string* why) {
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0) {
    *why = dir + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    *why = dir + " is not a directory";
    return false;
  }
  if (st.st_uid != ::getuid()) {
    *why = dir + " belongs to user " + std::to_string(st.st_uid) + ", not to user " +
           std::to_string(::getuid());
    return false;
  }
  const unsigned mode = st.st_mode & 07777;
  if (mode != 0700) {
    char octal[8];
    std::snprintf(octal, sizeof octal, "%04o", mode);
    *why = dir + " has mode " + octal + "; a session directory must have mode 0700";
    return false;
  }
  return true;
}

}  // namespace protocol
