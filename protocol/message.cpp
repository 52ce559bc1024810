#include "protocol/message.h"

#include "protocol/frame.h"

namespace protocol {

bool Decode(const std::string& payload, Message* out, std::string* error) {
  try {
    std::size_t offset = 0;
    // Bounds keep a hostile frame from exhausting memory or the parser's stack.
    const msgpack::unpack_limit limit(1u << 20, 1u << 10, kMaxFrameSize, kMaxFrameSize, 1u << 10,
                                      64);
    msgpack::object_handle handle =
        msgpack::unpack(payload.data(), payload.size(), offset, nullptr, nullptr, limit);
    if (offset != payload.size()) {
      *error = "trailing bytes after the message";
      return false;
    }
    const msgpack::object& root = handle.get();
    if (root.type != msgpack::type::ARRAY || root.via.array.size < 3) {
      *error = "message is not an array of at least three elements";
      return false;
    }
    const msgpack::object* e = root.via.array.ptr;
    const std::uint32_t n = root.via.array.size;
    const int kind = e[0].as<int>();
    Message m;
    if (kind == 0 && n == 4) {
      m.kind = Kind::kRequest;
      m.seq = e[1].as<std::uint64_t>();
      m.name = e[2].as<std::string>();
      m.body = e[3];
    } else if (kind == 1 && n == 5) {
      m.kind = Kind::kReply;
      m.seq = e[1].as<std::uint64_t>();
      m.code = e[2].as<int>();
      m.body = e[3];
      m.directive = e[4].as<std::string>();
    } else if (kind == 2 && n == 3) {
      m.kind = Kind::kEvent;
      m.name = e[1].as<std::string>();
      m.body = e[2];
    } else {
      *error = "unknown message kind or length";
      return false;
    }
    if (m.body.type != msgpack::type::ARRAY) {
      *error = "message body is not an array";
      return false;
    }
    m.handle = std::move(handle);
    *out = std::move(m);
    return true;
  } catch (const std::exception& e) {
    *error = std::string("undecodable message: ") + e.what();
    return false;
  }
}

}  // namespace protocol
