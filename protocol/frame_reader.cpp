#include "protocol/frame_reader.h"

#include <algorithm>
#include <cstring>

#include "protocol/stream_socket.h"

namespace protocol {
namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kHead = 4;

std::uint32_t FrameLength(const char* head) {
  const auto* b = reinterpret_cast<const unsigned char*>(head);
  return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
         std::uint32_t{b[3]};
}

}  // namespace

FrameStatus FrameReader::TakeBuffered(std::string* payload) {
  const std::size_t have = end_ - begin_;
  if (have < kHead) return FrameStatus::kPending;
  const std::uint32_t size = FrameLength(buf_.get() + begin_);
  if (size == 0 || size > kMaxFrameSize) return FrameStatus::kTooLarge;
  if (have - kHead < size) return FrameStatus::kPending;
  payload->assign(buf_.get() + begin_ + kHead, size);
  begin_ += kHead + size;
  if (begin_ == end_) begin_ = end_ = 0;
  return FrameStatus::kOk;
}

FrameStatus FrameReader::ReadOnce(int fd) {
  // Room from begin_ for a chunk, or for the whole of a frame whose length is
  // known (nothing buffered is a whole frame, so the unread bytes are fewer).
  std::size_t want = kChunk;
  if (end_ - begin_ >= kHead) want = std::max(want, kHead + FrameLength(buf_.get() + begin_));
  if (capacity_ - begin_ < want) {
    const std::size_t capacity = std::max(capacity_, want);
    std::unique_ptr<char[]> moved(capacity == capacity_ ? nullptr : new char[capacity]);
    char* to = moved ? moved.get() : buf_.get();
    if (end_ > begin_) std::memmove(to, buf_.get() + begin_, end_ - begin_);
    if (moved) buf_ = std::move(moved);
    capacity_ = capacity;
    end_ -= begin_;
    begin_ = 0;
  }
  const long r = ReceiveSome(fd, buf_.get() + end_, capacity_ - end_);
  if (r > 0) {
    end_ += static_cast<std::size_t>(r);
    return FrameStatus::kOk;
  }
  if (r == 0) return end_ == begin_ ? FrameStatus::kClosed : FrameStatus::kError;
  return FrameStatus::kError;
}

FrameStatus FrameReader::Next(int fd, std::string* payload, int timeout_ms) {
  for (;;) {
    const FrameStatus buffered = TakeBuffered(payload);
    if (buffered != FrameStatus::kPending) return buffered;
    if (timeout_ms >= 0) {
      const int ready = WaitReadable(fd, timeout_ms);
      if (ready < 0) return FrameStatus::kError;
      if (ready == 0) return FrameStatus::kPending;
    }
    const FrameStatus read = ReadOnce(fd);
    if (read != FrameStatus::kOk) return read;
    if (timeout_ms >= 0) return TakeBuffered(payload);
  }
}

}  // namespace protocol
