#include "protocol/frame.h"

#include "protocol/stream_socket.h"

namespace protocol {
namespace {

// Reads exactly n bytes; returns the count read before end of stream or an error.
std::size_t ReadFull(int fd, char* buf, std::size_t n) {
  std::size_t got = 0;
  while (got < n) {
    const long r = ReceiveSome(fd, buf + got, n - got);
    if (r <= 0) break;
    got += static_cast<std::size_t>(r);
  }
  return got;
}

}  // namespace

FrameStatus ReadFrame(int fd, std::string* payload) {
  unsigned char head[4];
  std::size_t got = ReadFull(fd, reinterpret_cast<char*>(head), sizeof head);
  if (got == 0) return FrameStatus::kClosed;
  if (got != sizeof head) return FrameStatus::kError;
  std::uint32_t size = (std::uint32_t{head[0]} << 24) | (std::uint32_t{head[1]} << 16) |
                       (std::uint32_t{head[2]} << 8) | std::uint32_t{head[3]};
  if (size == 0 || size > kMaxFrameSize) return FrameStatus::kTooLarge;
  payload->resize(size);
  if (ReadFull(fd, payload->data(), size) != size) return FrameStatus::kError;
  return FrameStatus::kOk;
}

bool WriteFrame(int fd, const char* data, std::size_t size) {
  if (size == 0 || size > kMaxFrameSize) return false;
  std::string frame(4 + size, '\0');
  frame[0] = static_cast<char>((size >> 24) & 0xff);
  frame[1] = static_cast<char>((size >> 16) & 0xff);
  frame[2] = static_cast<char>((size >> 8) & 0xff);
  frame[3] = static_cast<char>(size & 0xff);
  frame.replace(4, size, data, size);
  return SendAll(fd, frame.data(), frame.size());
}

}  // namespace protocol
