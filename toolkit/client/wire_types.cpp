#include "toolkit/client/wire_types.h"

#include <cstring>

#include "toolkit/client/wide_text.h"

namespace tkclient {

protocol::Item ItemToWire(const ProModelitem& item) {
  protocol::Item w;
  w.type = static_cast<int>(item.type);
  w.id = item.id;
  w.mdl = MdlToWire(item.owner);
  return w;
}

ProModelitem ItemFromWire(const protocol::Item& item) {
  ProModelitem m;
  m.type = static_cast<ProType>(item.type);
  m.id = item.id;
  m.owner = MdlFromWire(item.mdl);
  return m;
}

protocol::ParamOwner OwnerToWire(const ProParamowner& owner) {
  protocol::ParamOwner w;
  if (owner.type == PRM_ITEM) {
    w.kind = 1;
    w.item = ItemToWire(owner.who.item);
  } else {
    w.kind = 0;
    w.mdl = MdlToWire(owner.who.model);
  }
  return w;
}

protocol::Parameter ParameterToWire(const ProParameter& param) {
  protocol::Parameter w;
  w.name = ToUtf8(std::wstring_view(param.id, wcsnlen(param.id, PRO_NAME_SIZE)));
  w.owner = OwnerToWire(param.owner);
  return w;
}

ProParameter ParameterFromWire(const protocol::Parameter& param) {
  ProParameter p;
  std::memset(&p, 0, sizeof p);
  p.type = PRO_PARAMETER;
  CopyToWide(param.name, p.id, PRO_NAME_SIZE);
  if (param.owner.kind == 1) {
    p.owner.type = PRM_ITEM;
    p.owner.who.item = ItemFromWire(param.owner.item);
  } else {
    p.owner.type = PRM_MODEL;
    p.owner.who.model = MdlFromWire(param.owner.mdl);
  }
  return p;
}

bool ValueToWire(const ProParamvalue& value, protocol::ParamValue* out) {
  protocol::ParamValue w;
  w.type = static_cast<int>(value.type);
  switch (value.type) {
    case PRO_PARAM_DOUBLE:
      w.d = value.value.d_val;
      break;
    case PRO_PARAM_STRING:
      w.s = ToUtf8(std::wstring_view(value.value.s_val, wcsnlen(value.value.s_val, PRO_LINE_SIZE)));
      break;
    case PRO_PARAM_INTEGER:
    case PRO_PARAM_NOTE_ID:
      w.i = value.value.i_val;
      break;
    case PRO_PARAM_BOOLEAN:
      w.i = value.value.l_val ? 1 : 0;
      break;
    case PRO_PARAM_VOID:
      break;
    default:
      return false;
  }
  *out = std::move(w);
  return true;
}

void ValueFromWire(const protocol::ParamValue& value, ProParamvalue* out) {
  std::memset(out, 0, sizeof *out);
  out->type = static_cast<ProParamvalueType>(value.type);
  switch (value.type) {
    case PRO_PARAM_DOUBLE:
      out->value.d_val = value.d;
      break;
    case PRO_PARAM_STRING:
      CopyToWide(value.s, out->value.s_val, PRO_LINE_SIZE);
      break;
    case PRO_PARAM_INTEGER:
    case PRO_PARAM_NOTE_ID:
      out->value.i_val = value.i;
      break;
    case PRO_PARAM_BOOLEAN:
      out->value.l_val = static_cast<short>(value.i ? 1 : 0);
      break;
    default:
      break;
  }
}

void ModelFromWire(const protocol::Model& model, ProModel* out) {
  std::memset(out, 0, sizeof *out);
  CopyToWide(model.name, out->name, PRO_MDLDATA_NAME_SIZE);
  CopyToWide(model.type, out->type, PRO_MDLDATA_TYPE_SIZE);
}

void ModelDataFromWire(const protocol::ModelData& data, ProMdldata* out) {
  std::memset(out, 0, sizeof *out);
  CopyToWide(data.name, out->name, PRO_MDLDATA_NAME_SIZE);
  CopyToWide(data.type, out->type, PRO_MDLDATA_TYPE_SIZE);
  CopyToWide(data.path, out->path, PRO_PATH_SIZE);
  CopyToWide(data.device, out->device, PRO_MDLDATA_DEVICE_SIZE);
  CopyToWide(data.host, out->host, PRO_MDLDATA_HOST_SIZE);
  out->version = data.version;
  out->subclass = data.subclass;
}

std::optional<std::string> NarrowArg(const char* text) {
  if (!text) return std::nullopt;
  return std::string(text);
}

}  // namespace tkclient
