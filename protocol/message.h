#pragma once
// The three messages of the wire (see docs/protocol.md): requests from a client,
// replies from the session, and unsolicited events. Packing builds a whole message
// in a buffer ready for WriteFrame; decoding never throws and refuses anything that
// is not exactly one well-formed message.
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

#include <msgpack.hpp>

namespace protocol {

constexpr int kProtocolVersion = 1;

enum class Kind { kRequest = 0, kReply = 1, kEvent = 2 };

// A decoded message. The msgpack objects point into `handle`, which owns them, so a
// Message is moved, never copied.
struct Message {
  Kind kind = Kind::kRequest;
  std::uint64_t seq = 0;  // request and reply
  std::string name;       // request and event
  int code = 0;           // reply
  std::string directive;  // reply: "" or "crash"
  msgpack::object body;   // args of a request or event, outs of a reply: an array
  msgpack::object_handle handle;
};

// Returns false, with a reason in *error, when payload is not one valid message.
bool Decode(const std::string& payload, Message* out, std::string* error);

// [0, seq, name, args]: `args` is anything msgpack packs as an array (a std::tuple,
// a list). Requests of the toolkit's methods are packed with PackRequestOf
// (protocol/methods.h), which checks them against the method's definition.
template <class A>
std::string PackRequest(std::uint64_t seq, std::string_view name, const A& args) {
  msgpack::sbuffer buf;
  msgpack::packer<msgpack::sbuffer> pk(buf);
  pk.pack_array(4);
  pk.pack(0);
  pk.pack(seq);
  pk.pack(name);
  pk.pack(args);
  return std::string(buf.data(), buf.size());
}

// [1, seq, code, outs, directive], `outs` packing as an array like `args` above.
template <class O>
std::string PackReply(std::uint64_t seq, int code, std::string_view directive, const O& outs) {
  msgpack::sbuffer buf;
  msgpack::packer<msgpack::sbuffer> pk(buf);
  pk.pack_array(5);
  pk.pack(1);
  pk.pack(seq);
  pk.pack(code);
  pk.pack(outs);
  pk.pack(directive);
  return std::string(buf.data(), buf.size());
}

// A reply without outs: a failure, an injected fault, a method that has none.
inline std::string PackReply(std::uint64_t seq, int code, std::string_view directive) {
  return PackReply(seq, code, directive, std::tuple<>());
}

template <class... A>
std::string PackEvent(std::string_view name, const A&... args) {
  msgpack::sbuffer buf;
  msgpack::packer<msgpack::sbuffer> pk(buf);
  pk.pack_array(3);
  pk.pack(2);
  pk.pack(name);
  pk.pack_array(static_cast<std::uint32_t>(sizeof...(A)));
  (pk.pack(args), ...);
  return std::string(buf.data(), buf.size());
}

// Reads element i of an array object as T. Throws msgpack::type_error (or
// std::out_of_range) when the element is missing or of another type; callers turn
// that into PRO_TK_BAD_INPUTS or a broken connection.
template <class T>
T Arg(const msgpack::object& array, std::uint32_t i) {
  if (array.type != msgpack::type::ARRAY || i >= array.via.array.size)
    throw std::out_of_range("missing message element");
  return array.via.array.ptr[i].as<T>();
}

inline std::uint32_t ArgCount(const msgpack::object& array) {
  return array.type == msgpack::type::ARRAY ? array.via.array.size : 0;
}

}  // namespace protocol
