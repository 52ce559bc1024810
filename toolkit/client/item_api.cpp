// Model items, parameters, units and relation sets.
#include <ProArray.h>
#include <ProMdlUnits.h>
#include <ProModelitem.h>
#include <ProParameter.h>
#include <ProRelSet.h>
#include <ProWstring.h>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "toolkit/client/call.h"
#include "toolkit/client/pro_array.h"
#include "toolkit/client/visit.h"
#include "toolkit/client/wide_text.h"
#include "toolkit/client/wire_types.h"

using namespace tkclient;

namespace {

// A call answering one item handle.
template <class... A>
ProError GetItem(const char* name, ProModelitem* out, const A&... args) {
  return Guarded([&] {
    Reply reply;
    const ProError e = Invoke(name, &reply, args...);
    if (e != PRO_TK_NO_ERROR) return e;
    *out = ItemFromWire(OutAt<protocol::Item>(reply, 0));
    return PRO_TK_NO_ERROR;
  });
}

template <class... A>
ProError GetParameter(const char* name, ProParameter* out, const A&... args) {
  return Guarded([&] {
    Reply reply;
    const ProError e = Invoke(name, &reply, args...);
    if (e != PRO_TK_NO_ERROR) return e;
    *out = ParameterFromWire(OutAt<protocol::Parameter>(reply, 0));
    return PRO_TK_NO_ERROR;
  });
}

// A malloc'd copy, as ProWstringproarrayFree releases it.
wchar_t* NewWideString(const std::string& utf8) {
  const std::wstring w = FromUtf8(utf8);
  auto* s = static_cast<wchar_t*>(std::malloc((w.size() + 1) * sizeof(wchar_t)));
  if (s) std::memcpy(s, w.c_str(), (w.size() + 1) * sizeof(wchar_t));
  return s;
}

}  // namespace

extern "C" {

ProError ProModelitemInit(ProMdl p_owner_handle, int item_id, ProType item_type,
                          ProModelitem* p_handle) {
  if (!p_owner_handle || !p_handle) return PRO_TK_BAD_INPUTS;
  return GetItem("ProModelitemInit", p_handle, MdlToWire(p_owner_handle), item_id,
                 static_cast<int>(item_type));
}

ProError ProModelitemNameGet(ProModelitem* p_item, ProName name) {
  if (!p_item || !name) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    Reply reply;
    const ProError e = Invoke("ProModelitemNameGet", &reply, ItemToWire(*p_item));
    if (e != PRO_TK_NO_ERROR) return e;
    CopyToWide(OutAt<std::string>(reply, 0), name, PRO_NAME_SIZE);
    return PRO_TK_NO_ERROR;
  });
}

ProError ProModelitemNameSet(ProModelitem* p_item, ProName name) {
  if (!p_item || !name) return PRO_TK_BAD_INPUTS;
  return Guarded(
      [&] { return InvokeCode("ProModelitemNameSet", ItemToWire(*p_item), ToUtf8(name)); });
}

ProError ProParameterInit(ProModelitem* owner, ProName name, ProParameter* param) {
  if (!owner || !name || !param) return PRO_TK_BAD_INPUTS;
  return GetParameter("ProParameterInit", param, ItemToWire(*owner), ToUtf8(name));
}

ProError ProParameterCreate(ProModelitem* owner, ProName name, ProParamvalue* proval,
                            ProParameter* param) {
  if (!owner || !name || !proval || !param) return PRO_TK_BAD_INPUTS;
  protocol::ParamValue value;
  if (!ValueToWire(*proval, &value)) return PRO_TK_BAD_INPUTS;
  return GetParameter("ProParameterCreate", param, ItemToWire(*owner), ToUtf8(name), value);
}

ProError ProParameterDelete(ProParameter* param) {
  if (!param) return PRO_TK_BAD_INPUTS;
  return Guarded([&] { return InvokeCode("ProParameterDelete", ParameterToWire(*param)); });
}

ProError ProParameterValueGet(ProParameter* param, ProParamvalue* proval) {
  if (!param || !proval) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    Reply reply;
    const ProError e = Invoke("ProParameterValueGet", &reply, ParameterToWire(*param));
    if (e != PRO_TK_NO_ERROR) return e;
    ValueFromWire(OutAt<protocol::ParamValue>(reply, 0), proval);
    return PRO_TK_NO_ERROR;
  });
}

ProError ProParameterValueSet(ProParameter* param, ProParamvalue* proval) {
  if (!param || !proval) return PRO_TK_BAD_INPUTS;
  protocol::ParamValue value;
  if (!ValueToWire(*proval, &value)) return PRO_TK_BAD_INPUTS;
  return Guarded(
      [&] { return InvokeCode("ProParameterValueSet", ParameterToWire(*param), value); });
}

ProError ProParameterVisit(ProModelitem* owner, ProParameterFilter filter,
                           ProParameterAction action, ProAppData data) {
  if (!owner || !action) return PRO_TK_BAD_INPUTS;
  std::vector<ProParameter> params;
  const ProError e = Guarded([&] {
    Reply reply;
    const ProError code = Invoke("ProParameterVisit", &reply, ItemToWire(*owner));
    if (code != PRO_TK_NO_ERROR) return code;
    for (const auto& w : OutAt<std::vector<protocol::Parameter>>(reply, 0))
      params.push_back(ParameterFromWire(w));
    return PRO_TK_NO_ERROR;
  });
  if (e != PRO_TK_NO_ERROR) return e;
  return VisitLocally(params, filter, action, data);
}

ProError ProParameterUnitsGet(ProParameter* param, ProUnititem* units) {
  if (!param || !units) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    Reply reply;
    const ProError e = Invoke("ProParameterUnitsGet", &reply, ParameterToWire(*param));
    if (e != PRO_TK_NO_ERROR) return e;
    // [mdl, name]: the unit's owning model and the unit's name.
    const auto unit = OutAt<msgpack::object>(reply, 0);
    const auto owner = protocol::Arg<protocol::ModelHandle>(unit, 0);
    const auto name = protocol::Arg<std::string>(unit, 1);
    ProUnititem u;
    std::memset(&u, 0, sizeof u);
    u.owner = MdlFromWire(owner);
    CopyToWide(name, u.name, PRO_NAME_SIZE);
    *units = u;
    return PRO_TK_NO_ERROR;
  });
}

ProError ProModelitemToRelset(ProModelitem* p_item, ProRelset* p_relset) {
  if (!p_item || !p_relset) return PRO_TK_BAD_INPUTS;
  return GetItem("ProModelitemToRelset", p_relset, ItemToWire(*p_item));
}

ProError ProRelsetCreate(ProModelitem* p_item, ProRelset* p_relset) {
  if (!p_item || !p_relset) return PRO_TK_BAD_INPUTS;
  return GetItem("ProRelsetCreate", p_relset, ItemToWire(*p_item));
}

ProError ProRelsetRelationsGet(ProRelset* p_relset, ProWstring** p_line_array) {
  if (!p_relset || !p_line_array) return PRO_TK_BAD_INPUTS;
  if (*p_line_array && ArrayElementSize(*p_line_array) != sizeof(ProWstring))
    return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    Reply reply;
    const ProError e = Invoke("ProRelsetRelationsGet", &reply, ItemToWire(*p_relset));
    if (e != PRO_TK_NO_ERROR) return e;
    const auto lines = OutAt<std::vector<std::string>>(reply, 0);
    std::vector<ProWstring> strings;
    strings.reserve(lines.size());
    bool ok = true;
    for (const auto& line : lines) {
      ProWstring s = NewWideString(line);
      if (!s) {
        ok = false;
        break;
      }
      strings.push_back(s);
    }
    ProArray array = *p_line_array;
    if (ok)
      ok = AppendToCallerArray(&array, sizeof(ProWstring), strings.data(),
                               static_cast<int>(strings.size()));
    if (!ok) {
      for (ProWstring s : strings) std::free(s);
      return PRO_TK_OUT_OF_MEMORY;
    }
    *p_line_array = static_cast<ProWstring*>(array);
    return PRO_TK_NO_ERROR;
  });
}

ProError ProRelsetRelationsSet(ProRelset* p_relset, ProWstring* line_array, int n_lines) {
  if (!p_relset || n_lines < 0 || (n_lines > 0 && !line_array)) return PRO_TK_BAD_INPUTS;
  for (int i = 0; i < n_lines; ++i)
    if (!line_array[i]) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(n_lines));
    for (int i = 0; i < n_lines; ++i) lines.push_back(ToUtf8(line_array[i]));
    return InvokeCode("ProRelsetRelationsSet", ItemToWire(*p_relset), lines);
  });
}

}  // extern "C"
