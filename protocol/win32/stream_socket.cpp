// Winsock 2: the client's side of the wire on Windows, over TCP only (Wine has no
// AF_UNIX, and the sessions a Windows host reaches listen on TCP).
#include "protocol/stream_socket.h"

#include <windows.h>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <winsock2.h>
#include <ws2tcpip.h>

#include "base/utf.h"

namespace protocol {
namespace {

SOCKET ToSocket(int fd) { return static_cast<SOCKET>(static_cast<std::intptr_t>(fd)); }
int ToFd(SOCKET s) { return s == INVALID_SOCKET ? -1 : static_cast<int>(s); }

// WSAStartup once per process. Never undone: WSACleanup would run in the loader
// lock when the DLL unloads, and the count is the process's to keep anyway.
bool StartWinsock(std::string* why) {
  static const int started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data);
  }();
  if (started != 0 && why) *why = "WSAStartup failed (" + std::to_string(started) + ")";
  return started == 0;
}

// The system's text for a Winsock error, with its code: "... (10061)".
std::string ErrorText(int code) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text ? text : L"", n);
  if (text) ::LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.'))
    message.pop_back();
  if (message.empty()) message = L"Winsock error";
  return base::WideToUtf8(message) + " (" + std::to_string(code) + ")";
}

struct AddrinfoFree {
  void operator()(addrinfo* a) const { ::freeaddrinfo(a); }
};
using Addrinfo = std::unique_ptr<addrinfo, AddrinfoFree>;

void SetNoDelay(SOCKET s) {
  BOOL one = TRUE;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
}

void SetBlocking(SOCKET s, bool blocking) {
  u_long nonblocking = blocking ? 0 : 1;
  ::ioctlsocket(s, FIONBIO, &nonblocking);
}

// Connects in non-blocking mode within `wait`, then blocks again: a peer that
// drops the handshake must not hold the caller for the system's 21 seconds.
bool ConnectWithin(SOCKET s, const sockaddr* sa, int len, std::chrono::milliseconds wait,
                   std::string* why) {
  SetBlocking(s, false);
  if (::connect(s, sa, len) != 0) {
    const int error = ::WSAGetLastError();
    if (error != WSAEWOULDBLOCK) {
      *why = ErrorText(error);
      return false;
    }
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval limit{static_cast<long>(wait.count() / 1000),
                  static_cast<long>(wait.count() % 1000 * 1000)};
    const int ready = ::select(0, nullptr, &writable, &failed, &limit);
    if (ready == 0) {
      *why = "no answer in time";
      return false;
    }
    int so_error = 0;
    int size = sizeof so_error;
    ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so_error), &size);
    if (ready < 0 || so_error != 0 || FD_ISSET(s, &failed)) {
      *why = ErrorText(ready < 0 ? ::WSAGetLastError() : so_error ? so_error : WSAECONNREFUSED);
      return false;
    }
  }
  SetBlocking(s, true);
  return true;
}

}  // namespace

void CloseSocket(int fd) { ::closesocket(ToSocket(fd)); }

UniqueSocket ConnectUnix(const std::string&) { return UniqueSocket(); }

UniqueSocket ConnectTcp(const TcpAddress& address, std::chrono::milliseconds wait,
                        std::string* why) {
  if (!StartWinsock(why)) return UniqueSocket();
  addrinfo hints{};  // any address family: IPv4 or IPv6, as the host name resolves
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(address.port);
  const int r = ::getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found);
  if (r != 0) {
    *why = address.host + ": " + ErrorText(r);
    return UniqueSocket();
  }
  const Addrinfo owned(found);
  for (const addrinfo* a = found; a; a = a->ai_next) {
    // Not inherited: a session started later must not hold our connection open.
    UniqueSocket fd(ToFd(::WSASocketW(a->ai_family, a->ai_socktype, a->ai_protocol, nullptr, 0,
                                      WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT)));
    if (!fd.valid()) {
      *why = ErrorText(::WSAGetLastError());
      continue;
    }
    if (!ConnectWithin(ToSocket(fd.get()), a->ai_addr, static_cast<int>(a->ai_addrlen), wait, why))
      continue;
    SetNoDelay(ToSocket(fd.get()));
    return fd;
  }
  return UniqueSocket();
}

long ReceiveSome(int fd, char* buf, std::size_t size) {
  const int r =
      ::recv(ToSocket(fd), buf, static_cast<int>(std::min<std::size_t>(size, 1 << 30)), 0);
  return r == SOCKET_ERROR ? -1 : r;
}

bool SendAll(int fd, const char* buf, std::size_t size) {
  while (size > 0) {
    const int r =
        ::send(ToSocket(fd), buf, static_cast<int>(std::min<std::size_t>(size, 1 << 30)), 0);
    if (r == SOCKET_ERROR || r == 0) return false;
    buf += r;
    size -= static_cast<std::size_t>(r);
  }
  return true;
}

int WaitReadable(int fd, int timeout_ms) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(ToSocket(fd), &readable);
  timeval limit{timeout_ms / 1000, timeout_ms % 1000 * 1000};
  const int ready = ::select(0, &readable, nullptr, nullptr, &limit);
  return ready == SOCKET_ERROR ? -1 : ready > 0 ? 1 : 0;
}

void ShutdownBoth(int fd) { ::shutdown(ToSocket(fd), SD_BOTH); }

std::string LocalHostName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!::GetComputerNameW(name, &size)) return "localhost";
  return base::WideToUtf8(std::wstring(name, size));
}

}  // namespace protocol
