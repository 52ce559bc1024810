#pragma once
// Reads frames (protocol/frame.h) from a stream through a buffer of its own: one
// read() takes whatever has arrived, often a small frame whole or several frames
// at once, so a frame costs one system call instead of two (length, then body).
// Bytes read past a frame stay buffered for the next call, so one reader must be
// used for all reads of its stream. Not thread-safe: one thread at a time.
#include <cstddef>
#include <memory>
#include <string>

#include "protocol/frame.h"

namespace protocol {

class FrameReader {
 public:
  FrameReader() = default;
  FrameReader(const FrameReader&) = delete;
  FrameReader& operator=(const FrameReader&) = delete;

  // The next frame's payload. With timeout_ms < 0, blocks until a whole frame has
  // arrived or the stream ends. Otherwise a frame already buffered is returned at
  // once, else it waits at most timeout_ms (0: not at all) for bytes, reads once,
  // and returns kPending when still no whole frame is there (the bytes are kept).
  FrameStatus Next(int fd, std::string* payload, int timeout_ms = -1);

 private:
  // A whole frame from the buffer (kOk), kTooLarge, or kPending for more bytes.
  FrameStatus TakeBuffered(std::string* payload);
  // One read() appending to the buffer: kOk, kClosed (end of stream) or kError.
  FrameStatus ReadOnce(int fd);

  std::unique_ptr<char[]> buf_;  // not zero-filled: it is only read where written
  std::size_t capacity_ = 0;
  std::size_t begin_ = 0, end_ = 0;  // the unread bytes
};

}  // namespace protocol
