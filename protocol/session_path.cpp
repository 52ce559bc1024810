#include "protocol/session_path.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "base/temp_dir.h"
#include "base/unique_fd.h"

namespace protocol {

std::string SessionDirectory() {
  return base::TempDirectory() + "proe-sim-" + std::to_string(::getuid());
}

namespace {

std::string FileName(const std::string& display) {
  std::string name;
  for (char c : display.empty() ? std::string("default") : display) {
    if (c == '/')
      name += "%2F";
    else if (c == '%')
      name += "%25";
    else
      name += c;
  }
  return SessionDirectory() + "/" + name;
}

bool IsToken(const std::string& t) {
  return t.size() == 2 * kSessionTokenBytes &&
         t.find_first_not_of("0123456789abcdef") == std::string::npos;
}

}  // namespace

std::string SessionSocketPath(const std::string& display) { return FileName(display) + ".sock"; }

std::string SessionEndpointPath(const std::string& display) {
  return FileName(display) + ".endpoint";
}

bool ReadEndpointFile(const std::string& path, Endpoint* out, std::string* why) {
  std::ifstream in(path);
  if (!in) {
    *why = path + ": " + std::strerror(errno);
    return false;
  }
  std::string line, transport, port, extra;
  std::getline(in, line);
  std::istringstream fields(line);
  Endpoint e;
  if (!(fields >> transport >> e.address.host >> port >> e.token) || (fields >> extra) ||
      transport != "tcp" || !ParseTcpAddress("tcp:" + e.address.host + ":" + port, &e.address) ||
      !IsToken(e.token)) {
    *why = path + " is not an endpoint file (\"tcp HOST PORT TOKEN\")";
    return false;
  }
  *out = e;
  return true;
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
