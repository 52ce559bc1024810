#pragma once
// Conversions between the toolkit's C types and their wire forms
// (docs/protocol.md, "Encoding of values"). Handles travel as numbers: a ProMdl
// is the session's model handle cast to a pointer (0 is null); command and
// access ids likewise.
#include <ProObjects.h>
#include <ProToolkit.h>
#include <ProUICmd.h>
#include <cstdint>
#include <optional>
#include <string>

#include "protocol/values.h"

namespace tkclient {

inline protocol::ModelHandle MdlToWire(const void* mdl) {
  return static_cast<protocol::ModelHandle>(reinterpret_cast<std::uintptr_t>(mdl));
}
inline ProMdl MdlFromWire(protocol::ModelHandle h) {
  return reinterpret_cast<ProMdl>(static_cast<std::uintptr_t>(h));
}
inline std::uint64_t IdToWire(const void* id) {
  return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(id));
}
inline void* IdFromWire(std::uint64_t id) {
  return reinterpret_cast<void*>(static_cast<std::uintptr_t>(id));
}

protocol::Item ItemToWire(const ProModelitem& item);
ProModelitem ItemFromWire(const protocol::Item& item);

protocol::ParamOwner OwnerToWire(const ProParamowner& owner);
protocol::Parameter ParameterToWire(const ProParameter& param);
ProParameter ParameterFromWire(const protocol::Parameter& param);

// False (and *out untouched) when the value's type is not one of the
// ProParamvalueType values.
bool ValueToWire(const ProParamvalue& value, protocol::ParamValue* out);
void ValueFromWire(const protocol::ParamValue& value, ProParamvalue* out);

void ModelFromWire(const protocol::Model& model, ProModel* out);
void ModelDataFromWire(const protocol::ModelData& data, ProMdldata* out);

// A narrow text argument the toolkit allows to be null: nil on the wire when it is.
std::optional<std::string> NarrowArg(const char* text);

}  // namespace tkclient
