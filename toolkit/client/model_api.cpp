// Models, windows, drawings and assembly components.
#include <ProArray.h>
#include <ProAsmcomp.h>
#include <ProDrawing.h>
#include <ProMdl.h>
#include <ProWindows.h>
#include <utility>
#include <vector>

#include "toolkit/client/c_edge.h"
#include "toolkit/client/call.h"
#include "toolkit/client/pro_array.h"
#include "toolkit/client/wide_text.h"
#include "toolkit/client/wire_types.h"

using namespace tkclient;

namespace {

// A call answering one model handle.
template <class M, class... A>
ProError GetMdl(ProMdl* out, A&&... args) {
  return Guarded([&] {
    protocol::ModelHandle mdl = 0;
    const ProError e = InvokeOne<M>(&mdl, std::forward<A>(args)...);
    if (e == PRO_TK_NO_ERROR) *out = MdlFromWire(mdl);
    return e;
  });
}

// A new ProArray holding `items`, or null when memory runs out.
template <class T>
T* NewArrayOf(const std::vector<T>& items) {
  ProArray array = NewArray(0, sizeof(T), items.empty() ? 1 : static_cast<int>(items.size()));
  if (array && !ArrayAppend(&array, items.data(), static_cast<int>(items.size())))
    ProArrayFree(&array);
  return static_cast<T*>(array);
}

// A call answering a list of model handles, returned as a new ProArray.
template <class M, class Handle, class... A>
ProError GetMdlArray(Handle** out, int* count, A&&... args) {
  return Guarded([&] {
    method::Handles handles;
    const ProError e = InvokeOne<M>(&handles, std::forward<A>(args)...);
    if (e != PRO_TK_NO_ERROR) return e;
    std::vector<Handle> items;
    items.reserve(handles.size());
    for (auto h : handles) items.push_back(static_cast<Handle>(MdlFromWire(h)));
    Handle* array = NewArrayOf(items);
    if (!array) return PRO_TK_OUT_OF_MEMORY;
    *out = array;
    if (count) *count = static_cast<int>(items.size());
    return PRO_TK_NO_ERROR;
  });
}

}  // namespace

extern "C" {

ProError ProMdlLoad(ProPath full_path, ProMdlType type, ProBoolean ask_user_about_reps,
                    ProMdl* p_handle) try {
  if (!full_path || !p_handle) return PRO_TK_BAD_INPUTS;
  return GetMdl<method::ProMdlLoad>(p_handle, ToUtf8(full_path), static_cast<int>(type),
                                    ask_user_about_reps ? 1 : 0);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProMdlRetrieve(ProFamilyName name, ProMdlType type, ProMdl* p_handle) try {
  if (!name || !p_handle) return PRO_TK_BAD_INPUTS;
  return GetMdl<method::ProMdlRetrieve>(p_handle, ToUtf8(name), static_cast<int>(type));
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProMdlDisplay(ProMdl model) try {
  return Guarded([&] { return InvokeCode<method::ProMdlDisplay>(MdlToWire(model)); });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProMdlSave(ProMdl handle) try {
  if (!handle) return PRO_TK_BAD_INPUTS;
  return Guarded([&] { return InvokeCode<method::ProMdlSave>(MdlToWire(handle)); });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProMdlEraseAll(ProMdl model) try {
  if (!model) return PRO_TK_BAD_INPUTS;
  return Guarded([&] { return InvokeCode<method::ProMdlEraseAll>(MdlToWire(model)); });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProMdlCurrentGet(ProMdl* p_handle) try {
  if (!p_handle) return PRO_TK_BAD_INPUTS;
  return GetMdl<method::ProMdlCurrentGet>(p_handle);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProMdlDataGet(ProMdl handle, ProMdldata* p_data) try {
  if (!handle || !p_data) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    protocol::ModelData data;
    const ProError e = InvokeOne<method::ProMdlDataGet>(&data, MdlToWire(handle));
    if (e == PRO_TK_NO_ERROR) ModelDataFromWire(data, p_data);
    return e;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProMdlTypeGet(ProMdl model, ProMdlType* p_type) try {
  if (!p_type) return PRO_TK_BAD_INPUTS;
  // Published: the type reads PRO_TYPE_UNUSED whenever the call fails.
  ProError e = PRO_TK_BAD_INPUTS;
  if (model) e = InvokeInt<method::ProMdlTypeGet>(p_type, MdlToWire(model));
  if (e != PRO_TK_NO_ERROR) *p_type = PRO_MDL_UNUSED;
  return e;
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProMdlSubtypeGet(ProMdl model, ProMdlsubtype* p_subtype) try {
  if (!model || !p_subtype) return PRO_TK_BAD_INPUTS;
  return InvokeInt<method::ProMdlSubtypeGet>(p_subtype, MdlToWire(model));
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProMdlInit(ProName name, ProMdlType type, ProMdl* p_mdl_handle) try {
  if (!name || !p_mdl_handle) return PRO_TK_BAD_INPUTS;
  return GetMdl<method::ProMdlInit>(p_mdl_handle, ToUtf8(name), static_cast<int>(type));
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProMdlDependenciesList(ProMdl model, ProModel** p_dependencies_list, int* p_count) try {
  if (!model || !p_dependencies_list) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    std::vector<protocol::Model> models;
    const ProError e = InvokeOne<method::ProMdlDependenciesList>(&models, MdlToWire(model));
    if (e != PRO_TK_NO_ERROR) return e;
    std::vector<ProModel> items(models.size());
    for (std::size_t i = 0; i < models.size(); ++i) ModelFromWire(models[i], &items[i]);
    ProModel* array = NewArrayOf(items);
    if (!array) return PRO_TK_OUT_OF_MEMORY;
    *p_dependencies_list = array;
    if (p_count) *p_count = static_cast<int>(items.size());
    return PRO_TK_NO_ERROR;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProMdlToModelitem(ProMdl mdl, ProModelitem* p_model_item) try {
  if (!mdl || !p_model_item) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    protocol::Item item;
    const ProError e = InvokeOne<method::ProMdlToModelitem>(&item, MdlToWire(mdl));
    if (e == PRO_TK_NO_ERROR) *p_model_item = ItemFromWire(item);
    return e;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProMdlWindowGet(ProMdl mdl, int* window_id) try {
  if (!mdl || !window_id) return PRO_TK_BAD_INPUTS;
  return InvokeInt<method::ProMdlWindowGet>(window_id, MdlToWire(mdl));
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProSessionMdlList(ProMdlType model_type, ProMdl** p_model_array, int* p_count) try {
  if (!p_model_array) return PRO_TK_BAD_INPUTS;
  return GetMdlArray<method::ProSessionMdlList>(p_model_array, p_count,
                                                static_cast<int>(model_type));
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProDrawingSolidsCollect(ProDrawing drawing, ProSolid** solids) try {
  if (!drawing || !solids) return PRO_TK_BAD_INPUTS;
  return GetMdlArray<method::ProDrawingSolidsCollect>(solids, static_cast<int*>(nullptr),
                                                      MdlToWire(drawing));
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProAsmcompMdlGet(ProAsmcomp* p_feat_handle, ProMdl* p_mdl_handle) try {
  if (!p_feat_handle || !p_mdl_handle) return PRO_TK_BAD_INPUTS;
  return GetMdl<method::ProAsmcompMdlGet>(p_mdl_handle, ItemToWire(*p_feat_handle));
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProAsmcompMdlNameGet(ProAsmcomp* p_asm_comp_handle, ProMdlType* r_mdl_type,
                              ProFamilyName r_mdl_name) try {
  if (!p_asm_comp_handle || !r_mdl_type || !r_mdl_name) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    method::ProAsmcompMdlNameGet::Outs outs;
    const ProError e = Invoke<method::ProAsmcompMdlNameGet>(&outs, ItemToWire(*p_asm_comp_handle));
    if (e != PRO_TK_NO_ERROR) return e;
    const auto& [type, name] = outs;
    *r_mdl_type = static_cast<ProMdlType>(type);
    CopyToWide(name, r_mdl_name, PRO_FAMILY_NAME_SIZE);
    return PRO_TK_NO_ERROR;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProWindowCurrentGet(int* p_window_id) try {
  if (!p_window_id) return PRO_TK_BAD_INPUTS;
  return InvokeInt<method::ProWindowCurrentGet>(p_window_id);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProWindowCurrentSet(int window_id) try {
  return Guarded([&] { return InvokeCode<method::ProWindowCurrentSet>(window_id); });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProWindowActivate(int window) try {
  return Guarded([&] { return InvokeCode<method::ProWindowActivate>(window); });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProWindowCurrentClose(void) try {
  return Guarded([&] { return InvokeCode<method::ProWindowCurrentClose>(); });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProWindowMdlGet(int window, ProMdl* r_mdl) try {
  if (!r_mdl) return PRO_TK_BAD_INPUTS;
  return GetMdl<method::ProWindowMdlGet>(r_mdl, window);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

}  // extern "C"
