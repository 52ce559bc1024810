// Model items, parameters, units and relation sets.
#include <ProArray.h>
#include <ProMdlUnits.h>
#include <ProModelitem.h>
#include <ProParameter.h>
#include <ProRelSet.h>
#include <ProWstring.h>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "toolkit/client/c_edge.h"
#include "toolkit/client/call.h"
#include "toolkit/client/pro_array.h"
#include "toolkit/client/visit.h"
#include "toolkit/client/wide_text.h"
#include "toolkit/client/wire_types.h"

using namespace tkclient;

namespace {

// A call answering one item handle.
template <class M, class... A>
ProError GetItem(ProModelitem* out, A&&... args) {
  return Guarded([&] {
    protocol::Item item;
    const ProError e = InvokeOne<M>(&item, std::forward<A>(args)...);
    if (e == PRO_TK_NO_ERROR) *out = ItemFromWire(item);
    return e;
  });
}

template <class M, class... A>
ProError GetParameter(ProParameter* out, A&&... args) {
  return Guarded([&] {
    protocol::Parameter param;
    const ProError e = InvokeOne<M>(&param, std::forward<A>(args)...);
    if (e == PRO_TK_NO_ERROR) *out = ParameterFromWire(param);
    return e;
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
                          ProModelitem* p_handle) try {
  if (!p_owner_handle || !p_handle) return PRO_TK_BAD_INPUTS;
  return GetItem<method::ProModelitemInit>(p_handle, MdlToWire(p_owner_handle), item_id,
                                           static_cast<int>(item_type));
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProModelitemNameGet(ProModelitem* p_item, ProName name) try {
  if (!p_item || !name) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    std::string text;
    const ProError e = InvokeOne<method::ProModelitemNameGet>(&text, ItemToWire(*p_item));
    if (e == PRO_TK_NO_ERROR) CopyToWide(text, name, PRO_NAME_SIZE);
    return e;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProModelitemNameSet(ProModelitem* p_item, ProName name) try {
  if (!p_item || !name) return PRO_TK_BAD_INPUTS;
  return Guarded(
      [&] { return InvokeCode<method::ProModelitemNameSet>(ItemToWire(*p_item), ToUtf8(name)); });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProParameterInit(ProModelitem* owner, ProName name, ProParameter* param) try {
  if (!owner || !name || !param) return PRO_TK_BAD_INPUTS;
  return GetParameter<method::ProParameterInit>(param, ItemToWire(*owner), ToUtf8(name));
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProParameterCreate(ProModelitem* owner, ProName name, ProParamvalue* proval,
                            ProParameter* param) try {
  if (!owner || !name || !proval || !param) return PRO_TK_BAD_INPUTS;
  protocol::ParamValue value;
  if (!ValueToWire(*proval, &value)) return PRO_TK_BAD_INPUTS;
  return GetParameter<method::ProParameterCreate>(param, ItemToWire(*owner), ToUtf8(name), value);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProParameterDelete(ProParameter* param) try {
  if (!param) return PRO_TK_BAD_INPUTS;
  return Guarded([&] { return InvokeCode<method::ProParameterDelete>(ParameterToWire(*param)); });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProParameterValueGet(ProParameter* param, ProParamvalue* proval) try {
  if (!param || !proval) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    protocol::ParamValue value;
    const ProError e = InvokeOne<method::ProParameterValueGet>(&value, ParameterToWire(*param));
    if (e == PRO_TK_NO_ERROR) ValueFromWire(value, proval);
    return e;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProParameterValueSet(ProParameter* param, ProParamvalue* proval) try {
  if (!param || !proval) return PRO_TK_BAD_INPUTS;
  protocol::ParamValue value;
  if (!ValueToWire(*proval, &value)) return PRO_TK_BAD_INPUTS;
  return Guarded(
      [&] { return InvokeCode<method::ProParameterValueSet>(ParameterToWire(*param), value); });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProParameterVisit(ProModelitem* owner, ProParameterFilter filter,
                           ProParameterAction action, ProAppData data) try {
  if (!owner || !action) return PRO_TK_BAD_INPUTS;
  std::vector<ProParameter> params;
  const ProError e = Guarded([&] {
    std::vector<protocol::Parameter> wire;
    const ProError code = InvokeOne<method::ProParameterVisit>(&wire, ItemToWire(*owner));
    for (const auto& w : wire) params.push_back(ParameterFromWire(w));
    return code;
  });
  if (e != PRO_TK_NO_ERROR) return e;
  return VisitLocally(params, filter, action, data);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProParameterUnitsGet(ProParameter* param, ProUnititem* units) try {
  if (!param || !units) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    protocol::Unit unit;
    const ProError e = InvokeOne<method::ProParameterUnitsGet>(&unit, ParameterToWire(*param));
    if (e != PRO_TK_NO_ERROR) return e;
    ProUnititem u;
    std::memset(&u, 0, sizeof u);
    u.owner = MdlFromWire(unit.mdl);
    CopyToWide(unit.name, u.name, PRO_NAME_SIZE);
    *units = u;
    return PRO_TK_NO_ERROR;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProModelitemToRelset(ProModelitem* p_item, ProRelset* p_relset) try {
  if (!p_item || !p_relset) return PRO_TK_BAD_INPUTS;
  return GetItem<method::ProModelitemToRelset>(p_relset, ItemToWire(*p_item));
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProRelsetCreate(ProModelitem* p_item, ProRelset* p_relset) try {
  if (!p_item || !p_relset) return PRO_TK_BAD_INPUTS;
  return GetItem<method::ProRelsetCreate>(p_relset, ItemToWire(*p_item));
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProRelsetRelationsGet(ProRelset* p_relset, ProWstring** p_line_array) try {
  if (!p_relset || !p_line_array) return PRO_TK_BAD_INPUTS;
  if (*p_line_array && ArrayElementSize(*p_line_array) != sizeof(ProWstring))
    return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    std::vector<std::string> lines;
    const ProError e = InvokeOne<method::ProRelsetRelationsGet>(&lines, ItemToWire(*p_relset));
    if (e != PRO_TK_NO_ERROR) return e;
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
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProRelsetRelationsSet(ProRelset* p_relset, ProWstring* line_array, int n_lines) try {
  if (!p_relset || n_lines < 0 || (n_lines > 0 && !line_array)) return PRO_TK_BAD_INPUTS;
  for (int i = 0; i < n_lines; ++i)
    if (!line_array[i]) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(n_lines));
    for (int i = 0; i < n_lines; ++i) lines.push_back(ToUtf8(line_array[i]));
    return InvokeCode<method::ProRelsetRelationsSet>(ItemToWire(*p_relset), std::move(lines));
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

}  // extern "C"
