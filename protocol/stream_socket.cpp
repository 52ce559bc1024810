#include "protocol/stream_socket.h"

#include <cstdlib>

namespace protocol {

bool ParseTcpAddress(const std::string& text, TcpAddress* out) {
  if (text.rfind("tcp:", 0) != 0) return false;
  const std::string rest = text.substr(4);
  const std::size_t colon = rest.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string host = rest.substr(0, colon);
  if (host.front() == '[') {
    if (host.size() < 3 || host.back() != ']') return false;
    host = host.substr(1, host.size() - 2);
  }
  const std::string port = rest.substr(colon + 1);
  char* end = nullptr;
  const long value = std::strtol(port.c_str(), &end, 10);
  if (port.empty() || *end || value < 0 || value > 65535) return false;
  out->host = host;
  out->port = static_cast<int>(value);
  return true;
}

std::string FormatTcpAddress(const TcpAddress& address) {
  const bool v6 = address.host.find(':') != std::string::npos;
  return "tcp:" + (v6 ? "[" + address.host + "]" : address.host) + ":" +
         std::to_string(address.port);
}

}  // namespace protocol
