#pragma once
// Wire forms of the toolkit's value types (docs/protocol.md, "Encoding of values").
// Wide texts travel as UTF-8; the client converts at its edge, the session keeps UTF-8.
#include <cstdint>
#include <string>

#include <msgpack.hpp>

namespace protocol {

using ModelHandle = std::uint64_t;  // 0 is the null model
using CommandId = std::uint64_t;    // uiCmdCmdId and uiCmdAccessId; never 0

// ProProcessHandle: [array_index, auth_key].
struct ProcessHandle {
  int array_index = 0;
  std::int64_t auth_key = 0;
  MSGPACK_DEFINE_ARRAY(array_index, auth_key)
};

// ProUnititem: [mdl, name].
struct Unit {
  ModelHandle mdl = 0;
  std::string name;
  MSGPACK_DEFINE_ARRAY(mdl, name)
};

// One value of a message's argument list, as the client read it through its
// pointer: nil (a null pointer, or a position the format skips), text, integer or
// double.
struct MessageValue {
  enum Kind { kNone, kText, kInteger, kDouble };
  Kind kind = kNone;
  std::string text;
  long long integer = 0;
  double real = 0;
};

// ProModelitem and its aliases: [type, id, mdl].
struct Item {
  int type = 0;
  int id = 0;
  ModelHandle mdl = 0;
  bool operator==(const Item& o) const { return type == o.type && id == o.id && mdl == o.mdl; }
  MSGPACK_DEFINE_ARRAY(type, id, mdl)
};

// ProModel: [name, type].
struct Model {
  std::string name;
  std::string type;
  MSGPACK_DEFINE_ARRAY(name, type)
};

// ProMdldata: [name, type, path, device, host, version, subclass].
struct ModelData {
  std::string name;
  std::string type;
  std::string path;
  std::string device;
  std::string host;
  int version = 0;
  int subclass = 0;
  MSGPACK_DEFINE_ARRAY(name, type, path, device, host, version, subclass)
};

// ProParamowner: [0, mdl] for a model, [1, item] for an item.
struct ParamOwner {
  int kind = 0;  // 0 model (PRM_MODEL), 1 item (PRM_ITEM)
  ModelHandle mdl = 0;
  Item item;
};

// ProParameter: [name, owner].
struct Parameter {
  std::string name;
  ParamOwner owner;
};

// ProParamvalue: [type, value]; which member is meaningful follows the type
// (50 double, 51 string, 52 integer, 53 boolean as 0/1, 54 note id, 57 void).
struct ParamValue {
  int type = 57;
  double d = 0;
  std::string s;
  int i = 0;
};

}  // namespace protocol

namespace msgpack {
MSGPACK_API_VERSION_NAMESPACE(MSGPACK_DEFAULT_API_NS) {
  namespace adaptor {

  template <>
  struct convert<protocol::ParamOwner> {
    const msgpack::object& operator()(const msgpack::object& o, protocol::ParamOwner& v) const {
      if (o.type != type::ARRAY || o.via.array.size != 2) throw type_error();
      v.kind = o.via.array.ptr[0].as<int>();
      if (v.kind == 0)
        v.mdl = o.via.array.ptr[1].as<protocol::ModelHandle>();
      else if (v.kind == 1)
        v.item = o.via.array.ptr[1].as<protocol::Item>();
      else
        throw type_error();
      return o;
    }
  };

  template <>
  struct pack<protocol::ParamOwner> {
    template <typename Stream>
    packer<Stream>& operator()(packer<Stream>& pk, const protocol::ParamOwner& v) const {
      pk.pack_array(2);
      pk.pack(v.kind);
      if (v.kind == 0)
        pk.pack(v.mdl);
      else
        pk.pack(v.item);
      return pk;
    }
  };

  template <>
  struct convert<protocol::Parameter> {
    const msgpack::object& operator()(const msgpack::object& o, protocol::Parameter& v) const {
      if (o.type != type::ARRAY || o.via.array.size != 2) throw type_error();
      v.name = o.via.array.ptr[0].as<std::string>();
      v.owner = o.via.array.ptr[1].as<protocol::ParamOwner>();
      return o;
    }
  };

  template <>
  struct pack<protocol::Parameter> {
    template <typename Stream>
    packer<Stream>& operator()(packer<Stream>& pk, const protocol::Parameter& v) const {
      pk.pack_array(2);
      pk.pack(v.name);
      pk.pack(v.owner);
      return pk;
    }
  };

  template <>
  struct convert<protocol::ParamValue> {
    const msgpack::object& operator()(const msgpack::object& o, protocol::ParamValue& v) const {
      if (o.type != type::ARRAY || o.via.array.size != 2) throw type_error();
      v.type = o.via.array.ptr[0].as<int>();
      const msgpack::object& val = o.via.array.ptr[1];
      switch (v.type) {
        case 50:
          v.d = val.as<double>();
          break;
        case 51:
          v.s = val.as<std::string>();
          break;
        case 52:
        case 53:
        case 54:
          v.i = val.as<int>();
          break;
        case 57:
          break;
        default:
          throw type_error();
      }
      return o;
    }
  };

  template <>
  struct pack<protocol::ParamValue> {
    template <typename Stream>
    packer<Stream>& operator()(packer<Stream>& pk, const protocol::ParamValue& v) const {
      pk.pack_array(2);
      pk.pack(v.type);
      switch (v.type) {
        case 50:
          pk.pack(v.d);
          break;
        case 51:
          pk.pack(v.s);
          break;
        case 52:
        case 53:
        case 54:
          pk.pack(v.i);
          break;
        default:
          pk.pack_nil();
          break;
      }
      return pk;
    }
  };

  template <>
  struct convert<protocol::MessageValue> {
    const msgpack::object& operator()(const msgpack::object& o, protocol::MessageValue& v) const {
      v = protocol::MessageValue();
      switch (o.type) {
        case type::STR:
          v.kind = protocol::MessageValue::kText;
          v.text = o.as<std::string>();
          break;
        case type::POSITIVE_INTEGER:
        case type::NEGATIVE_INTEGER:
          v.kind = protocol::MessageValue::kInteger;
          v.integer = o.as<long long>();
          break;
        case type::FLOAT32:
        case type::FLOAT64:
          v.kind = protocol::MessageValue::kDouble;
          v.real = o.as<double>();
          break;
        case type::BOOLEAN:
          v.kind = protocol::MessageValue::kInteger;
          v.integer = o.as<bool>();
          break;
        default:
          break;  // nil, and anything a format could not use
      }
      return o;
    }
  };

  template <>
  struct pack<protocol::MessageValue> {
    template <typename Stream>
    packer<Stream>& operator()(packer<Stream>& pk, const protocol::MessageValue& v) const {
      switch (v.kind) {
        case protocol::MessageValue::kText:
          pk.pack(v.text);
          break;
        case protocol::MessageValue::kInteger:
          pk.pack(v.integer);
          break;
        case protocol::MessageValue::kDouble:
          pk.pack(v.real);
          break;
        default:
          pk.pack_nil();
          break;
      }
      return pk;
    }
  };

  }  // namespace adaptor
}  // MSGPACK_API_VERSION_NAMESPACE
}  // namespace msgpack
