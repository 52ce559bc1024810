#include "protocol/session_path.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace protocol {

std::string SessionFileName(const std::string& text) {
  std::string name;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || std::strchr("%/\\:*?\"<>|", c)) {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", u);
      name += escaped;
    } else {
      name += c;
    }
  }
  return name;
}

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::string FileName(const std::string& display) {
  return SessionDirectory() + kSeparator + SessionFileName(display.empty() ? "default" : display);
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
  std::ifstream in(std::filesystem::u8path(path));
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

}  // namespace protocol
