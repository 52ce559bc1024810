#pragma once
// The stream sockets that carry the wire, in one place: a Unix socket in the
// session directory, or TCP (TCP_NODELAY on both ends: every call is one small
// request and one small reply). Everything else of the client and the session
// sees a connected descriptor only, so another platform's sockets replace the
// implementation alone: posix/stream_socket.cpp, or win32/stream_socket.cpp on
// Windows (Winsock 2, TCP only: the client side). Functions keep no state
// beyond Winsock's start-up; any thread may call them.
//
// On Windows a descriptor is the SOCKET handle narrowed to int: Windows keeps
// kernel handles within 32 bits so that they may be truncated and sign-extended.
#include <chrono>
#include <cstddef>
#include <string>

#include "base/unique_fd.h"

namespace protocol {

#ifdef _WIN32
void CloseSocket(int fd);

// The owner of a socket: closes it (closesocket) on destruction. Move-only.
class UniqueSocket {
 public:
  UniqueSocket() = default;
  explicit UniqueSocket(int fd) : fd_(fd) {}
  ~UniqueSocket() { reset(); }
  UniqueSocket(UniqueSocket&& o) noexcept : fd_(o.release()) {}
  UniqueSocket& operator=(UniqueSocket&& o) noexcept {
    if (this != &o) {
      reset();
      fd_ = o.release();
    }
    return *this;
  }
  UniqueSocket(const UniqueSocket&) = delete;
  UniqueSocket& operator=(const UniqueSocket&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ != -1; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset() {
    if (fd_ != -1) CloseSocket(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};
#else
// A socket is a descriptor like any other.
using UniqueSocket = base::UniqueFd;
#endif

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

// One connect attempt to the Unix socket at `path`; invalid when nobody listens
// (always on Windows, where sessions are reached over TCP only).
UniqueSocket ConnectUnix(const std::string& path);

// One connect attempt, waiting at most `wait` for the peer; invalid when it is
// refused, unreachable or not answered in time (the reason in *why).
UniqueSocket ConnectTcp(const TcpAddress& address, std::chrono::milliseconds wait,
                        std::string* why);

// Reads what has arrived, at most `size` bytes (a pipe or file works too on
// POSIX): the count read, 0 at the end of the stream, -1 on an error.
long ReceiveSome(int fd, char* buf, std::size_t size);

// Writes all of `size` bytes; false when the peer is gone or on an error. Never
// raises SIGPIPE.
bool SendAll(int fd, const char* buf, std::size_t size);

// Waits at most `timeout_ms` for something to read (or the end of the stream):
// 1 when there is, 0 when the time ran out, -1 on an error.
int WaitReadable(int fd, int timeout_ms);

// Ends both directions, so that a thread blocked reading `fd` wakes up.
void ShutdownBoth(int fd);

// This machine's name ("localhost" when it has none).
std::string LocalHostName();

#ifndef _WIN32
// The session's side, POSIX only.

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
#endif

}  // namespace protocol
