// Features and solids.
#include <ProArray.h>
#include <ProFeature.h>
#include <ProNcseq.h>
#include <ProSolid.h>
#include <vector>

#include "toolkit/client/c_edge.h"
#include "toolkit/client/call.h"
#include "toolkit/client/pro_array.h"
#include "toolkit/client/visit.h"
#include "toolkit/client/wide_text.h"
#include "toolkit/client/wire_types.h"

using namespace tkclient;

namespace {

// A feature call answering one integer or enumeration value.
template <class M, class T>
ProError FeatureInt(const ProFeature* feature, T* out) {
  if (!feature || !out) return PRO_TK_BAD_INPUTS;
  return InvokeInt<M>(out, ItemToWire(*feature));
}

template <class M>
ProError FeatureText(const ProFeature* feature, wchar_t* out, std::size_t size) {
  if (!feature || !out) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    std::string text;
    const ProError e = InvokeOne<M>(&text, ItemToWire(*feature));
    if (e == PRO_TK_NO_ERROR) CopyToWide(text, out, size);
    return e;
  });
}

// Fetches a list of items, then visits it locally.
template <class M, class Owner, class Filter, class Action>
ProError VisitItems(const Owner& owner, Action action, Filter filter, ProAppData data) {
  std::vector<ProModelitem> items;
  const ProError e = Guarded([&] {
    std::vector<protocol::Item> wire;
    const ProError code = InvokeOne<M>(&wire, owner);
    for (const auto& w : wire) items.push_back(ItemFromWire(w));
    return code;
  });
  if (e != PRO_TK_NO_ERROR) return e;
  return VisitLocally(items, filter, action, data);
}

}  // namespace

extern "C" {

ProError ProFeatureInit(ProSolid p_owner_handle, int feat_id, ProFeature* p_feat_handle) try {
  if (!p_owner_handle || !p_feat_handle) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    protocol::Item item;
    const ProError e = InvokeOne<method::ProFeatureInit>(&item, MdlToWire(p_owner_handle), feat_id);
    if (e == PRO_TK_NO_ERROR) *p_feat_handle = ItemFromWire(item);
    return e;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProFeatureTypeGet(ProFeature* p_feat_handle, ProFeattype* p_type) try {
  return FeatureInt<method::ProFeatureTypeGet>(p_feat_handle, p_type);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProFeatureTypenameGet(ProFeature* feature, ProName feattypename) try {
  return FeatureText<method::ProFeatureTypenameGet>(feature, feattypename, PRO_NAME_SIZE);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProFeatureSubtypeGet(ProFeature* feature, ProLine subtype) try {
  return FeatureText<method::ProFeatureSubtypeGet>(feature, subtype, PRO_LINE_SIZE);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProFeatureIsIncomplete(ProFeature* p_feat_handle, ProBoolean* p_is_incomplete) try {
  return FeatureInt<method::ProFeatureIsIncomplete>(p_feat_handle, p_is_incomplete);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProFeatureIsReadonly(ProFeature* p_feat_handle, ProBoolean* r_is_read_only) try {
  return FeatureInt<method::ProFeatureIsReadonly>(p_feat_handle, r_is_read_only);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProFeatureStatusGet(ProFeature* p_feat_handle, ProFeatStatus* p_status) try {
  return FeatureInt<method::ProFeatureStatusGet>(p_feat_handle, p_status);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProFeatureVisibilityGet(ProFeature* p_feat_handle, ProBoolean* p_visible) try {
  return FeatureInt<method::ProFeatureVisibilityGet>(p_feat_handle, p_visible);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProFeaturePatternStatusGet(ProFeature* p_feat_handle,
                                    ProPatternStatus* p_pattern_status) try {
  return FeatureInt<method::ProFeaturePatternStatusGet>(p_feat_handle, p_pattern_status);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProFeatureGroupStatusGet(ProFeature* p_feat_handle, ProGroupStatus* p_group_status) try {
  return FeatureInt<method::ProFeatureGroupStatusGet>(p_feat_handle, p_group_status);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProFeatureGrppatternStatusGet(ProFeature* p_feat_handle,
                                       ProGrppatternStatus* p_grp_pattern_status) try {
  return FeatureInt<method::ProFeatureGrppatternStatusGet>(p_feat_handle, p_grp_pattern_status);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProFeatureIsNcseq(const ProFeature* feat, ProBoolean* p_is_ncseq) try {
  return FeatureInt<method::ProFeatureIsNcseq>(feat, p_is_ncseq);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProFeatureDimensionVisit(ProFeature* feature, ProDimensionVisitAction visit,
                                  ProDimensionFilterAction filter, ProAppData data) try {
  if (!feature || !visit) return PRO_TK_BAD_INPUTS;
  return VisitItems<method::ProFeatureDimensionVisit>(ItemToWire(*feature), visit, filter, data);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProSolidFeatVisit(ProSolid p_handle, ProFeatureVisitAction visit_action,
                           ProFeatureFilterAction filter_action, ProAppData app_data) try {
  if (!p_handle || !visit_action) return PRO_TK_BAD_INPUTS;
  return VisitItems<method::ProSolidFeatVisit>(MdlToWire(p_handle), visit_action, filter_action,
                                               app_data);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProSolidFeatstatusGet(ProSolid solid, int** p_feat_id_array,
                               ProFeatStatus** p_status_array, int* p_num_features) try {
  if (!solid || !p_feat_id_array || !p_status_array) return PRO_TK_BAD_INPUTS;
  // The caller's arrays (made with ProArrayAlloc) receive the lists; a null
  // one is made here.
  if ((*p_feat_id_array && ArrayElementSize(*p_feat_id_array) != sizeof(int)) ||
      (*p_status_array && ArrayElementSize(*p_status_array) != sizeof(ProFeatStatus)))
    return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    method::ProSolidFeatstatusGet::Outs lists;
    const ProError e = Invoke<method::ProSolidFeatstatusGet>(&lists, MdlToWire(solid));
    if (e != PRO_TK_NO_ERROR) return e;
    const auto& [ids, statuses] = lists;
    if (ids.size() != statuses.size()) throw BadReply("id and status lists differ in length");
    std::vector<ProFeatStatus> st(statuses.size());
    for (std::size_t i = 0; i < statuses.size(); ++i)
      st[i] = static_cast<ProFeatStatus>(statuses[i]);
    const int n = static_cast<int>(ids.size());
    ProArray id_array = *p_feat_id_array;
    ProArray status_array = *p_status_array;
    const int ids_before = id_array ? ArraySize(id_array) : 0;
    if (!AppendToCallerArray(&id_array, sizeof(int), ids.data(), n)) return PRO_TK_OUT_OF_MEMORY;
    if (!AppendToCallerArray(&status_array, sizeof(ProFeatStatus), st.data(), n)) {
      // Leave the caller's id array as it was.
      if (*p_feat_id_array) {
        ArrayShrink(id_array, ids_before);
        *p_feat_id_array = static_cast<int*>(id_array);
      } else {
        ProArrayFree(&id_array);
      }
      return PRO_TK_OUT_OF_MEMORY;
    }
    *p_feat_id_array = static_cast<int*>(id_array);
    *p_status_array = static_cast<ProFeatStatus*>(status_array);
    if (p_num_features) *p_num_features = n;
    return PRO_TK_NO_ERROR;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProSolidFailedFeatsList(ProSolid solid, int** r_failed_feat_ids) try {
  if (!solid || !r_failed_feat_ids) return PRO_TK_BAD_INPUTS;
  if (*r_failed_feat_ids && ArrayElementSize(*r_failed_feat_ids) != sizeof(int))
    return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    std::vector<int> ids;
    const ProError e = InvokeOne<method::ProSolidFailedFeatsList>(&ids, MdlToWire(solid));
    if (e != PRO_TK_NO_ERROR) return e;
    ProArray array = *r_failed_feat_ids;
    if (!AppendToCallerArray(&array, sizeof(int), ids.data(), static_cast<int>(ids.size())))
      return PRO_TK_OUT_OF_MEMORY;
    *r_failed_feat_ids = static_cast<int*>(array);
    return PRO_TK_NO_ERROR;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProSolidRegenerate(ProSolid p_handle, int flags) try {
  if (!p_handle) return PRO_TK_BAD_INPUTS;
  return Guarded(
      [&] { return InvokeCode<method::ProSolidRegenerate>(MdlToWire(p_handle), flags); });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

}  // extern "C"
