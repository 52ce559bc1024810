#include "protocol/session_route.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

#include "protocol/session_path.h"
#include "protocol/stream_socket.h"

namespace protocol {
namespace {

// kNotThere while the directory is missing (no session has started yet).
RouteStatus CheckDirectory(std::string* why) {
  const std::string dir = SessionDirectory();
  if (SessionDirectoryIsPrivate(dir, why)) return RouteStatus::kConnected;
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0 && errno == ENOENT) return RouteStatus::kNotThere;
  return RouteStatus::kNotPrivate;
}

RouteStatus ConnectTo(const Endpoint& endpoint, std::chrono::milliseconds wait, Route* out,
                      std::string* why) {
  base::UniqueFd fd = ConnectTcp(endpoint.address, wait, why);
  if (!fd.valid()) return RouteStatus::kNotThere;
  out->fd = std::move(fd);
  out->token = endpoint.token;
  out->address = FormatTcpAddress(endpoint.address);
  out->tcp = true;
  return RouteStatus::kConnected;
}

}  // namespace

RouteStatus ConnectToSession(const std::string& display, std::chrono::milliseconds connect_wait,
                             Route* out, std::string* why) {
  Endpoint endpoint;
  if (ParseTcpAddress(display, &endpoint.address)) {
    const char* token = std::getenv(kSessionTokenVariable);
    if (token && *token) {
      endpoint.token = token;
    } else {
      // A missing token is the session's to refuse, as a wrong one is.
      Endpoint copied;
      std::string ignored;
      if (CheckDirectory(&ignored) == RouteStatus::kConnected &&
          ReadEndpointFile(SessionEndpointPath(display), &copied, &ignored))
        endpoint.token = copied.token;
    }
    return ConnectTo(endpoint, connect_wait, out, why);
  }
  const RouteStatus dir = CheckDirectory(why);
  if (dir != RouteStatus::kConnected) return dir;
  const std::string socket = SessionSocketPath(display);
  base::UniqueFd fd = ConnectUnix(socket);
  if (fd.valid()) {
    out->fd = std::move(fd);
    out->token.clear();
    out->address = socket;
    out->tcp = false;
    return RouteStatus::kConnected;
  }
  const std::string file = SessionEndpointPath(display);
  struct stat st;
  if (::lstat(file.c_str(), &st) != 0) {
    why->clear();  // neither file: no session has said where it is
    return RouteStatus::kNotThere;
  }
  if (!ReadEndpointFile(file, &endpoint, why)) return RouteStatus::kNotThere;
  return ConnectTo(endpoint, connect_wait, out, why);
}

}  // namespace protocol
