#include "protocol/session_route.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "protocol/session_path.h"
#include "protocol/stream_socket.h"

namespace protocol {
namespace {

// The type of `path` itself (not of a link's target); none when it cannot be read.
std::filesystem::file_type TypeOf(const std::string& path) {
  std::error_code ec;
  return std::filesystem::symlink_status(std::filesystem::u8path(path), ec).type();
}

// kNotThere while the directory is missing (no session has started yet).
RouteStatus CheckDirectory(std::string* why) {
  const std::string dir = SessionDirectory();
  if (SessionDirectoryIsPrivate(dir, why)) return RouteStatus::kConnected;
  if (TypeOf(dir) == std::filesystem::file_type::not_found) return RouteStatus::kNotThere;
  return RouteStatus::kNotPrivate;
}

RouteStatus ConnectTo(const Endpoint& endpoint, std::chrono::milliseconds wait, Route* out,
                      std::string* why) {
  UniqueSocket fd = ConnectTcp(endpoint.address, wait, why);
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
  UniqueSocket fd = ConnectUnix(socket);
  if (fd.valid()) {
    out->fd = std::move(fd);
    out->token.clear();
    out->address = socket;
    out->tcp = false;
    return RouteStatus::kConnected;
  }
  const std::string file = SessionEndpointPath(display);
  const std::filesystem::file_type type = TypeOf(file);
  if (type == std::filesystem::file_type::not_found || type == std::filesystem::file_type::none) {
    why->clear();  // neither file: no session has said where it is
    return RouteStatus::kNotThere;
  }
  if (!ReadEndpointFile(file, &endpoint, why)) return RouteStatus::kNotThere;
  return ConnectTo(endpoint, connect_wait, out, why);
}

}  // namespace protocol
