#include "protocol/stream_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace protocol {
namespace {

struct AddrinfoFree {
  void operator()(addrinfo* a) const { ::freeaddrinfo(a); }
};
using Addrinfo = std::unique_ptr<addrinfo, AddrinfoFree>;

Addrinfo Resolve(const TcpAddress& address, bool passive, std::string* why) {
  addrinfo hints{};  // any address family: IPv4 or IPv6, as the host name resolves
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = passive ? AI_PASSIVE : 0;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(address.port);
  const int r = ::getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found);
  if (r != 0) {
    *why = address.host + ": " + ::gai_strerror(r);
    return nullptr;
  }
  return Addrinfo(found);
}

bool IsLoopback(const sockaddr* sa) {
  if (sa->sa_family == AF_INET)
    return (ntohl(reinterpret_cast<const sockaddr_in*>(sa)->sin_addr.s_addr) >> 24) == 127;
  if (sa->sa_family == AF_INET6) {
    const in6_addr& a = reinterpret_cast<const sockaddr_in6*>(sa)->sin6_addr;
    return IN6_IS_ADDR_LOOPBACK(&a) || (IN6_IS_ADDR_V4MAPPED(&a) && a.s6_addr[12] == 127);
  }
  return false;
}

void SetNoDelay(int fd) {
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

bool MakeUnixAddress(const std::string& path, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  if (path.size() >= sizeof addr->sun_path) return false;
  std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Connects a non-blocking socket within `wait`, then makes it blocking again:
// a peer that drops the handshake must not hold the caller for minutes.
bool ConnectWithin(int fd, const sockaddr* sa, socklen_t len, std::chrono::milliseconds wait,
                   std::string* why) {
  const int flags = ::fcntl(fd, F_GETFL);
  ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  int r = ::connect(fd, sa, len);
  if (r != 0 && errno == EINPROGRESS) {
    pollfd p{fd, POLLOUT, 0};
    int ready;
    do {
      ready = ::poll(&p, 1, static_cast<int>(wait.count()));
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) {
      *why = "no answer in time";
      return false;
    }
    int error = 0;
    socklen_t size = sizeof error;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
    errno = error;
    r = error == 0 ? 0 : -1;
  }
  if (r != 0) {
    *why = std::strerror(errno);
    return false;
  }
  ::fcntl(fd, F_SETFL, flags);
  return true;
}

}  // namespace

long ReceiveSome(int fd, char* buf, std::size_t size) {
  for (;;) {
    const ssize_t r = ::read(fd, buf, size);
    if (r >= 0 || errno != EINTR) return static_cast<long>(r);
  }
}

bool SendAll(int fd, const char* buf, std::size_t size) {
  while (size > 0) {
    // send() with MSG_NOSIGNAL on sockets; plain write() for pipes and files.
    ssize_t r = ::send(fd, buf, size, MSG_NOSIGNAL);
    if (r < 0 && errno == ENOTSOCK) r = ::write(fd, buf, size);
    if (r > 0) {
      buf += r;
      size -= static_cast<std::size_t>(r);
    } else if (r < 0 && errno == EINTR) {
      continue;
    } else {
      return false;
    }
  }
  return true;
}

int WaitReadable(int fd, int timeout_ms) {
  pollfd p{fd, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&p, 1, timeout_ms);
  } while (ready < 0 && errno == EINTR);
  return ready < 0 ? -1 : ready > 0 ? 1 : 0;
}

void ShutdownBoth(int fd) { ::shutdown(fd, SHUT_RDWR); }

std::string LocalHostName() {
  char host[256] = "localhost";
  ::gethostname(host, sizeof host - 1);
  host[sizeof host - 1] = '\0';
  return host;
}

UniqueSocket ConnectUnix(const std::string& path) {
  sockaddr_un addr;
  if (!MakeUnixAddress(path, &addr)) return base::UniqueFd();
  base::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.valid()) return fd;
  int r;
  do {
    r = ::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  } while (r != 0 && errno == EINTR);
  if (r != 0) return base::UniqueFd();
  return fd;
}

UniqueSocket ConnectTcp(const TcpAddress& address, std::chrono::milliseconds wait,
                        std::string* why) {
  const Addrinfo found = Resolve(address, false, why);
  for (const addrinfo* a = found.get(); a; a = a->ai_next) {
    base::UniqueFd fd(::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
    if (!fd.valid()) {
      *why = std::strerror(errno);
      continue;
    }
    if (!ConnectWithin(fd.get(), a->ai_addr, a->ai_addrlen, wait, why)) continue;
    SetNoDelay(fd.get());
    return fd;
  }
  return base::UniqueFd();
}

base::UniqueFd ListenUnix(const std::string& path, std::string* why) {
  sockaddr_un addr;
  if (!MakeUnixAddress(path, &addr)) {
    *why = "socket path too long: " + path;
    return base::UniqueFd();
  }
  base::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.valid() || ::bind(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(fd.get(), 64) != 0) {
    *why = "cannot listen on " + path + ": " + std::strerror(errno);
    return base::UniqueFd();
  }
  return fd;
}

base::UniqueFd ListenTcp(const TcpAddress& want, bool allow_remote, TcpAddress* bound,
                         std::string* why) {
  const Addrinfo found = Resolve(want, true, why);
  if (!found) return base::UniqueFd();
  const addrinfo* a = found.get();
  if (!allow_remote && !IsLoopback(a->ai_addr)) {
    *why = want.host +
           " is not a loopback address; serving other machines needs "
           "--allow-remote (the traffic is not encrypted)";
    return base::UniqueFd();
  }
  base::UniqueFd fd(::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
  int one = 1;
  if (fd.valid()) ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (!fd.valid() || ::bind(fd.get(), a->ai_addr, a->ai_addrlen) != 0 ||
      ::listen(fd.get(), 64) != 0) {
    *why = "cannot listen on " + FormatTcpAddress(want) + ": " + std::strerror(errno);
    return base::UniqueFd();
  }
  SetNoDelay(fd.get());
  sockaddr_storage ss{};
  socklen_t len = sizeof ss;
  ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&ss), &len);
  bound->host = want.host;
  bound->port = ntohs(ss.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&ss)->sin6_port
                                               : reinterpret_cast<sockaddr_in*>(&ss)->sin_port);
  return fd;
}

base::UniqueFd Accept(int listen_fd) {
  base::UniqueFd fd(::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC));
  sockaddr_storage ss{};
  socklen_t len = sizeof ss;
  if (fd.valid() && ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&ss), &len) == 0 &&
      ss.ss_family != AF_UNIX)
    SetNoDelay(fd.get());
  return fd;
}

std::string PeerName(int fd) {
  sockaddr_storage ss{};
  socklen_t len = sizeof ss;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0) return "unknown";
  char host[NI_MAXHOST], port[NI_MAXSERV];
  if (ss.ss_family == AF_UNIX ||
      ::getnameinfo(reinterpret_cast<sockaddr*>(&ss), len, host, sizeof host, port, sizeof port,
                    NI_NUMERICHOST | NI_NUMERICSERV) != 0)
    return "local";
  return std::string(host) + ":" + port;
}

}  // namespace protocol
