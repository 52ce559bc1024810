#pragma once
// Length-prefixed frames on a stream socket: a 4-byte big-endian length, then that
// many bytes of one MessagePack value. Shared by the toolkit client and the session.
// Any thread may call these on a descriptor it owns; the functions keep no state.
#include <cstddef>
#include <cstdint>
#include <string>

namespace protocol {

constexpr std::uint32_t kMaxFrameSize = 16u << 20;

enum class FrameStatus {
  kOk,
  kClosed,    // orderly end of stream before the first byte of a frame
  kTooLarge,  // announced length is 0 or above kMaxFrameSize: the peer is broken
  kError,     // read error or end of stream inside a frame
  kPending,   // FrameReader only: no whole frame arrived in the time allowed
};

// Blocks until one whole frame has arrived. REQUIRES: fd is a blocking stream.
FrameStatus ReadFrame(int fd, std::string* payload);

// Writes one whole frame (retrying partial writes, never raising SIGPIPE).
// Returns false when the peer is gone or size exceeds kMaxFrameSize.
bool WriteFrame(int fd, const char* data, std::size_t size);
inline bool WriteFrame(int fd, const std::string& payload) {
  return WriteFrame(fd, payload.data(), payload.size());
}

}  // namespace protocol
