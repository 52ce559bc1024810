// The session directory on POSIX systems: private by owner and mode.
#include "protocol/session_path.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "base/temp_dir.h"
#include "base/unique_fd.h"

namespace protocol {

std::string SessionDirectory() {
  // The login name, as Windows programs under Wine name the same user; the
  // number when the user has no entry (a container's arbitrary uid).
  std::string user = std::to_string(::getuid());
  std::vector<char> buf(16384);
  passwd entry, *found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buf.data(), buf.size(), &found) == 0 && found &&
      found->pw_name && *found->pw_name)
    user = found->pw_name;
  return base::TempDirectory() + "proe-sim-" + SessionFileName(user);
}

bool WriteEndpointFile(const std::string& path, const Endpoint& endpoint, std::string* why) {
  const std::string temp = path + "." + std::to_string(::getpid()) + ".tmp";
  const std::string line = "tcp " + endpoint.address.host + " " +
                           std::to_string(endpoint.address.port) + " " + endpoint.token + "\n";
  base::UniqueFd fd(
      ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
  const bool written =
      fd.valid() && ::fchmod(fd.get(), 0600) == 0 &&
      ::write(fd.get(), line.data(), line.size()) == static_cast<ssize_t>(line.size());
  const int error = errno;
  fd.reset();
  if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
    *why = "cannot write " + path + ": " + std::strerror(written ? errno : error);
    ::unlink(temp.c_str());
    return false;
  }
  return true;
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
