#pragma once
// The stream sockets that carry the wire, in one place: a Unix socket in the
// session directory, or TCP (TCP_NODELAY on both ends: every call is one small
// request and one small reply). Everything else of the client and the session
// sees a connected descriptor only, so another platform's sockets replace this
// file alone. Functions keep no state; any thread may call them.
#include <chrono>
#include <string>

#include "base/unique_fd.h"

namespace protocol {

// A TCP address as a display or a --listen option names it: "tcp:HOST:PORT".
// HOST is a name or a numeric address; an IPv6 address is written in brackets
// ("tcp:[::1]:4000").
struct TcpAddress {
  std::string host;
  int port = 0;  // 0 when listening: any free port
};

// Whether `text` has the form "tcp:HOST:PORT" (PORT 0 to 65535).
bool ParseTcpAddress(const std::string& text, TcpAddress* out);
std::string FormatTcpAddress(const TcpAddress& address);

// One connect attempt to the Unix socket at `path`; invalid when nobody listens.
base::UniqueFd ConnectUnix(const std::string& path);

// One connect attempt, waiting at most `wait` for the peer; invalid when it is
// refused, unreachable or not answered in time (the reason in *why).
base::UniqueFd ConnectTcp(const TcpAddress& address, std::chrono::milliseconds wait,
                          std::string* why);

// A listening Unix socket at `path` (nothing may be there).
base::UniqueFd ListenUnix(const std::string& path, std::string* why);

// A listening TCP socket on `want`; *bound gets the port it got. An address that
// is not a loopback one is refused unless `allow_remote`.
base::UniqueFd ListenTcp(const TcpAddress& want, bool allow_remote, TcpAddress* bound,
                         std::string* why);

// Accepts one connection (TCP_NODELAY set on a TCP one); invalid on failure.
base::UniqueFd Accept(int listen_fd);

// "HOST:PORT" of a TCP peer ("local" for a Unix socket peer).
std::string PeerName(int fd);

}  // namespace protocol
