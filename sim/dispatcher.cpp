#include "sim/dispatcher.h"

#include <ProObjects.h>
#include <ProToolkitErrors.h>
#include <ProUICmd.h>
#include <chrono>
#include <climits>
#include <map>
#include <string_view>
#include <sys/stat.h>
#include <tuple>
#include <type_traits>
#include <unistd.h>

#include "protocol/frame.h"
#include "protocol/methods.h"
#include "protocol/values.h"
#include "sim/client_path.h"
#include "sim/message_file.h"

namespace sim {
namespace {

namespace method = protocol::method;
using protocol::ModelHandle;
using Text = method::Text;

// One request being answered: what the handlers work on, and the effects beyond
// the reply.
struct Call {
  Store& store;
  Session& session;
  ClientId client;
  bool close = false;
  bool exit = false;
};

// ---- Wire conversions ---------------------------------------------------------------

// The session's handles and ids are ints; one beyond them names nothing.
int Handle32(std::uint64_t h) { return h > static_cast<std::uint64_t>(INT_MAX) ? -1 : int(h); }

Item ToItem(const protocol::Item& w) {
  Item i;
  i.type = w.type;
  i.id = w.id;
  i.mdl = Handle32(w.mdl);
  return i;
}

protocol::Item ToWire(const Item& i) {
  protocol::Item w;
  w.type = i.type;
  w.id = i.id;
  w.mdl = i.mdl > 0 ? static_cast<ModelHandle>(i.mdl) : 0;
  return w;
}

ModelHandle MdlToWire(int mdl) { return mdl > 0 ? static_cast<ModelHandle>(mdl) : 0; }

protocol::Parameter ParamToWire(const Store& store, const ParamRef& p) {
  protocol::Parameter w;
  w.name = p.name;
  if (store.IsModelItem(p.owner)) {
    w.owner.kind = 0;
    w.owner.mdl = MdlToWire(p.owner.mdl);
  } else {
    w.owner.kind = 1;
    w.owner.item = ToWire(p.owner);
  }
  return w;
}

Item OwnerItem(const Store& store, const protocol::ParamOwner& o) {
  if (o.kind == 1) return ToItem(o.item);
  Item item;
  if (store.ModelToItem(Handle32(o.mdl), &item) != PRO_TK_NO_ERROR) {
    item.type = PRO_PART;
    item.id = item.mdl = Handle32(o.mdl);
  }
  return item;
}

ParamRef ToParam(const Store& store, const protocol::Parameter& w) {
  ParamRef p;
  p.name = w.name;
  p.owner = OwnerItem(store, w.owner);
  return p;
}

ParamValue ToValue(const protocol::ParamValue& w) {
  ParamValue v;
  v.type = w.type;
  v.d = w.d;
  v.s = w.s;
  v.i = w.i;
  return v;
}

protocol::ParamValue ValueToWire(const ParamValue& v) {
  protocol::ParamValue w;
  w.type = v.type;
  w.d = v.d;
  w.s = v.s;
  w.i = v.i;
  return w;
}

std::vector<protocol::Item> ItemsToWire(const std::vector<Item>& items) {
  std::vector<protocol::Item> out;
  for (const Item& i : items) out.push_back(ToWire(i));
  return out;
}

method::Handles HandlesToWire(const std::vector<int>& mdls) {
  method::Handles out;
  for (int m : mdls) out.push_back(MdlToWire(m));
  return out;
}

// ---- Handlers -------------------------------------------------------------------------
//
// One Serve overload per method of protocol/methods.h: the method's tag, the call,
// its args (scalars by value, the rest by const reference), then its outs by
// reference, all of exactly the declared types. The outs travel only when the code
// lets them (protocol::CarriesOuts).

// ---- Connection

int Serve(method::hello, Call& c, int version, const Text& /*session_id: one session per display*/,
          const Text& display, const Text& user, const Text& client_text_dir, std::int64_t pid,
          const Text& /*token: the server checks it before the hello comes here*/,
          protocol::ProcessHandle& handle) {
  if (version != protocol::kProtocolVersion) return PRO_TK_COMM_ERROR;
  const std::string text_dir = ClientPath(client_text_dir);
  if (!text_dir.empty()) {
    struct stat st;
    if (::stat(text_dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return PRO_TK_INVALID_DIR;
  }
  ClientInfo& info = c.session.Client(c.client);
  info.hello = true;
  info.display = display;
  info.user = user;
  info.text_dir = text_dir;
  info.pid = pid;
  handle.array_index = static_cast<int>(::getpid());
  handle.auth_key = static_cast<std::int64_t>(c.client & 0x7fffffff);
  return PRO_TK_NO_ERROR;
}

int Serve(method::ping, Call& c) {
  const ClientInfo* info = c.session.FindClient(c.client);
  return info && info->hello ? PRO_TK_NO_ERROR : PRO_TK_GENERAL_ERROR;
}

int Serve(method::bye, Call& c) {
  c.session.ForgetClient(c.client);
  c.close = true;
  return PRO_TK_NO_ERROR;
}

int Serve(method::ProEngineerEnd, Call& c) {
  c.exit = true;
  return PRO_TK_NO_ERROR;
}

// ---- Models

int Serve(method::ProMdlLoad, Call& c, const Text& path, int type, int /*ask_user_about_reps*/,
          ModelHandle& out) {
  int mdl = 0;
  int rc = c.store.Load(ClientPath(path), type, &mdl, true);
  out = MdlToWire(mdl);
  return rc;
}

int Serve(method::ProMdlRetrieve, Call& c, const Text& name, int type, ModelHandle& out) {
  int mdl = 0;
  int rc = c.store.Load(name, type, &mdl, true);
  out = MdlToWire(mdl);
  return rc;
}

int Serve(method::ProMdlDisplay, Call& c, ModelHandle handle) {
  int mdl = Handle32(handle);
  if (mdl == 0) return c.session.CurrentModel() ? PRO_TK_NO_ERROR : PRO_TK_E_NOT_FOUND;
  if (!c.store.Find(mdl)) return PRO_TK_INVALID_PTR;
  c.session.Display(mdl);
  return PRO_TK_NO_ERROR;
}

int Serve(method::ProMdlSave, Call& c, ModelHandle mdl) { return c.store.Save(Handle32(mdl)); }

int Serve(method::ProMdlEraseAll, Call& c, ModelHandle mdl) {
  std::vector<int> erased;
  int rc = c.store.Erase(Handle32(mdl), &erased);
  if (rc == PRO_TK_NO_ERROR) c.session.ModelsErased(erased);
  return rc;
}

int Serve(method::ProMdlCurrentGet, Call& c, ModelHandle& out) {
  int mdl = c.session.CurrentModel();
  if (mdl == 0) return PRO_TK_BAD_CONTEXT;
  out = MdlToWire(mdl);
  return PRO_TK_NO_ERROR;
}

int Serve(method::ProMdlDataGet, Call& c, ModelHandle mdl, protocol::ModelData& out) {
  ModelData d;
  int rc = c.store.DataGet(Handle32(mdl), &d);
  out = protocol::ModelData{d.name, d.type, d.path, d.device, d.host, d.version, d.subclass};
  return rc;
}

int Serve(method::ProMdldataGet, Call& c, ModelHandle mdl, protocol::ModelData& out) {
  return Serve(method::ProMdlDataGet{}, c, mdl, out);
}

int Serve(method::ProMdlTypeGet, Call& c, ModelHandle mdl, int& type) {
  return c.store.TypeGet(Handle32(mdl), &type);
}

int Serve(method::ProMdlSubtypeGet, Call& c, ModelHandle mdl, int& subtype) {
  const Model* m = c.store.Find(Handle32(mdl));
  if (!m) return PRO_TK_BAD_INPUTS;
  subtype = m->subtype ? m->subtype : DefaultModelSubtype(m->type);
  return PRO_TK_NO_ERROR;
}

int Serve(method::ProMdlInit, Call& c, const Text& name, int type, ModelHandle& out) {
  int mdl = 0;
  int rc = c.store.Init(name, type, &mdl);
  out = MdlToWire(mdl);
  return rc;
}

int Serve(method::ProMdlDependenciesList, Call& c, ModelHandle mdl,
          std::vector<protocol::Model>& out) {
  std::vector<ModelRef> deps;
  int rc = c.store.Dependencies(Handle32(mdl), &deps);
  for (const ModelRef& r : deps) out.push_back(protocol::Model{r.name, ModelTypeText(r.type)});
  return rc;
}

int Serve(method::ProMdlToModelitem, Call& c, ModelHandle mdl, protocol::Item& out) {
  Item item;
  int rc = c.store.ModelToItem(Handle32(mdl), &item);
  out = ToWire(item);
  return rc;
}

int Serve(method::ProMdlWindowGet, Call& c, ModelHandle handle, int& window) {
  int mdl = Handle32(handle);
  if (!c.store.Find(mdl)) return PRO_TK_BAD_INPUTS;
  window = c.session.WindowOf(mdl);
  return window == 0 ? PRO_TK_E_NOT_FOUND : PRO_TK_NO_ERROR;
}

int Serve(method::ProSessionMdlList, Call& c, int type, method::Handles& out) {
  std::vector<int> mdls;
  int rc = c.store.SessionModels(type, &mdls);
  out = HandlesToWire(mdls);
  return rc;
}

int Serve(method::ProDrawingSolidsCollect, Call& c, ModelHandle drawing, method::Handles& out) {
  std::vector<int> mdls;
  int rc = c.store.DrawingSolids(Handle32(drawing), &mdls);
  out = HandlesToWire(mdls);
  return rc;
}

int Serve(method::ProAsmcompMdlGet, Call& c, const protocol::Item& comp, ModelHandle& out) {
  int mdl = 0;
  int rc = c.store.AsmcompMdlGet(ToItem(comp), &mdl);
  out = MdlToWire(mdl);
  return rc;
}

int Serve(method::ProAsmcompMdlNameGet, Call& c, const protocol::Item& comp, int& type,
          Text& name) {
  return c.store.AsmcompMdlNameGet(ToItem(comp), &type, &name);
}

// ---- Windows

int Serve(method::ProWindowCurrentGet, Call& c, int& window) {
  if (!c.session.WindowsReady()) return PRO_TK_GENERAL_ERROR;
  window = c.session.current_window();
  return PRO_TK_NO_ERROR;
}

int Serve(method::ProWindowCurrentSet, Call& c, int window) {
  return c.session.SetCurrent(window) ? PRO_TK_NO_ERROR : PRO_TK_BAD_INPUTS;
}

int Serve(method::ProWindowActivate, Call& c, int window) {
  if (!c.session.FindWindow(window)) return PRO_TK_BAD_INPUTS;
  if (!c.session.WindowsReady()) return PRO_TK_GENERAL_ERROR;
  c.session.Activate(window);
  return PRO_TK_NO_ERROR;
}

int Serve(method::ProWindowCurrentClose, Call& c) {
  if (!c.session.WindowsReady()) return PRO_TK_GENERAL_ERROR;
  c.session.CloseCurrent();
  return PRO_TK_NO_ERROR;
}

int Serve(method::ProWindowMdlGet, Call& c, int window, ModelHandle& out) {
  const Window* w = c.session.FindWindow(window);
  if (!w) return PRO_TK_BAD_INPUTS;
  out = MdlToWire(w->mdl);
  return PRO_TK_NO_ERROR;
}

// ---- Features

// The feature getters that publish only BAD_INPUTS for a handle that is not one.
template <class T, class F>
int FeatureGetter(Call& c, const protocol::Item& item, T& out, F get) {
  const Feature* f = nullptr;
  int rc = c.store.GetFeature(ToItem(item), &f);
  if (rc == PRO_TK_INVALID_TYPE) rc = PRO_TK_BAD_INPUTS;
  if (rc != PRO_TK_NO_ERROR) return rc;
  out = get(*f);
  return PRO_TK_NO_ERROR;
}

int Serve(method::ProFeatureInit, Call& c, ModelHandle mdl, int id, protocol::Item& out) {
  Item item;
  int rc = c.store.FeatureInit(Handle32(mdl), id, &item);
  out = ToWire(item);
  return rc;
}

int Serve(method::ProFeatureTypeGet, Call& c, const protocol::Item& f, int& out) {
  return FeatureGetter(c, f, out, [](const Feature& x) { return x.type; });
}
int Serve(method::ProFeatureTypenameGet, Call& c, const protocol::Item& f, Text& out) {
  return FeatureGetter(c, f, out, [](const Feature& x) {
    return x.type_name.empty() ? DefaultFeatureTypeName(x.type) : x.type_name;
  });
}
int Serve(method::ProFeatureSubtypeGet, Call& c, const protocol::Item& f, Text& out) {
  return FeatureGetter(c, f, out, [](const Feature& x) { return x.subtype; });
}
int Serve(method::ProFeatureIsNcseq, Call& c, const protocol::Item& item, int& out) {
  const Feature* f = nullptr;
  int rc = c.store.GetFeature(ToItem(item), &f);
  if (rc == PRO_TK_NO_ERROR) out = f->ncseq ? 1 : 0;
  return rc;
}
int Serve(method::ProFeatureIsIncomplete, Call& c, const protocol::Item& f, int& out) {
  return FeatureGetter(c, f, out, [](const Feature& x) { return x.incomplete ? 1 : 0; });
}
int Serve(method::ProFeatureIsReadonly, Call& c, const protocol::Item& f, int& out) {
  return FeatureGetter(c, f, out, [](const Feature& x) { return x.read_only ? 1 : 0; });
}
int Serve(method::ProFeaturePatternStatusGet, Call& c, const protocol::Item& f, int& out) {
  return FeatureGetter(c, f, out, [](const Feature& x) { return x.pattern_status; });
}
int Serve(method::ProFeatureGroupStatusGet, Call& c, const protocol::Item& f, int& out) {
  return FeatureGetter(c, f, out, [](const Feature& x) { return x.group_status; });
}
int Serve(method::ProFeatureGrppatternStatusGet, Call& c, const protocol::Item& f, int& out) {
  return FeatureGetter(c, f, out, [](const Feature& x) { return x.grppattern_status; });
}
int Serve(method::ProFeatureStatusGet, Call& c, const protocol::Item& f, int& out) {
  return FeatureGetter(c, f, out, [](const Feature& x) { return x.status; });
}
int Serve(method::ProFeatureVisibilityGet, Call& c, const protocol::Item& f, int& out) {
  return FeatureGetter(c, f, out, [](const Feature& x) { return x.visible ? 1 : 0; });
}

int Serve(method::ProFeatureDimensionVisit, Call& c, const protocol::Item& feature,
          std::vector<protocol::Item>& out) {
  std::vector<Item> dims;
  int rc = c.store.FeatureDimensions(ToItem(feature), &dims);
  out = ItemsToWire(dims);
  return rc;
}

int Serve(method::ProSolidFeatVisit, Call& c, ModelHandle mdl, std::vector<protocol::Item>& out) {
  std::vector<Item> feats;
  int rc = c.store.Features(Handle32(mdl), &feats);
  out = ItemsToWire(feats);
  return rc;
}

int Serve(method::ProSolidFeatstatusGet, Call& c, ModelHandle mdl, std::vector<int>& ids,
          std::vector<int>& statuses) {
  return c.store.FeatureStatuses(Handle32(mdl), &ids, &statuses);
}

int Serve(method::ProSolidFailedFeatsList, Call& c, ModelHandle mdl, std::vector<int>& ids) {
  return c.store.FailedFeatures(Handle32(mdl), &ids);
}

int Serve(method::ProSolidRegenerate, Call& c, ModelHandle mdl, int flags) {
  return c.store.Regenerate(Handle32(mdl), flags);
}

// ---- Dimensions

template <class T, class F>
int DimensionGetter(Call& c, const protocol::Item& item, T& out, F get) {
  const Dimension* d = nullptr;
  int rc = c.store.GetDimension(ToItem(item), &d);
  if (rc != PRO_TK_NO_ERROR) return rc;
  out = get(*d);
  return PRO_TK_NO_ERROR;
}

int Serve(method::ProDimensionSymbolGet, Call& c, const protocol::Item& d, Text& out) {
  return DimensionGetter(c, d, out, [](const Dimension& x) { return x.symbol; });
}
int Serve(method::ProDimensionSymbolSet, Call& c, const protocol::Item& d, const Text& symbol) {
  return c.store.DimensionSymbolSet(ToItem(d), symbol);
}
int Serve(method::ProDimensionValueGet, Call& c, const protocol::Item& d, double& out) {
  return DimensionGetter(c, d, out, [](const Dimension& x) { return x.value; });
}
int Serve(method::ProDimensionValueSet, Call& c, const protocol::Item& d, double value) {
  return c.store.DimensionValueSet(ToItem(d), value);
}
int Serve(method::ProDimensionTypeGet, Call& c, const protocol::Item& d, int& out) {
  return DimensionGetter(c, d, out, [](const Dimension& x) { return x.dim_type; });
}
int Serve(method::ProDimensionToltypeGet, Call& c, const protocol::Item& d, int& out) {
  return c.store.DimensionToltypeGet(ToItem(d), &out);
}
int Serve(method::ProDimensionToltypeSet, Call& c, const protocol::Item& d, int type) {
  return c.store.DimensionToltypeSet(ToItem(d), type);
}
int Serve(method::ProDimensionToleranceGet, Call& c, const protocol::Item& d, double& upper,
          double& lower) {
  return DimensionGetter(c, d, upper, [&](const Dimension& x) {
    lower = x.lower;
    return x.upper;
  });
}
int Serve(method::ProDimensionToleranceSet, Call& c, const protocol::Item& d, double upper,
          double lower) {
  return c.store.DimensionToleranceSet(ToItem(d), upper, lower);
}
int Serve(method::ProDimensionIsReldriven, Call& c, const protocol::Item& d, int& out) {
  return DimensionGetter(c, d, out, [](const Dimension& x) { return x.rel_driven ? 1 : 0; });
}

// ---- Model items and parameters

int Serve(method::ProModelitemInit, Call& c, ModelHandle mdl, int id, int type,
          protocol::Item& out) {
  Item item;
  int rc = c.store.ModelitemInit(Handle32(mdl), id, type, &item);
  out = ToWire(item);
  return rc;
}

int Serve(method::ProModelitemNameGet, Call& c, const protocol::Item& item, Text& name) {
  return c.store.ItemNameGet(ToItem(item), &name);
}

int Serve(method::ProModelitemNameSet, Call& c, const protocol::Item& item, const Text& name) {
  return c.store.ItemNameSet(ToItem(item), name);
}

int Serve(method::ProParameterInit, Call& c, const protocol::Item& owner, const Text& name,
          protocol::Parameter& out) {
  ParamRef p;
  int rc = c.store.ParamInit(ToItem(owner), name, &p);
  if (rc == PRO_TK_NO_ERROR) out = ParamToWire(c.store, p);
  return rc;
}

int Serve(method::ProParameterCreate, Call& c, const protocol::Item& owner, const Text& name,
          const protocol::ParamValue& value, protocol::Parameter& out) {
  ParamRef p;
  int rc = c.store.ParamCreate(ToItem(owner), name, ToValue(value), &p);
  if (rc == PRO_TK_NO_ERROR) out = ParamToWire(c.store, p);
  return rc;
}

int Serve(method::ProParameterDelete, Call& c, const protocol::Parameter& param) {
  return c.store.ParamDelete(ToParam(c.store, param));
}

int Serve(method::ProParameterValueGet, Call& c, const protocol::Parameter& param,
          protocol::ParamValue& out) {
  ParamValue v;
  int rc = c.store.ParamValueGet(ToParam(c.store, param), &v);
  out = ValueToWire(v);
  return rc;
}

int Serve(method::ProParameterValueSet, Call& c, const protocol::Parameter& param,
          const protocol::ParamValue& value) {
  return c.store.ParamValueSet(ToParam(c.store, param), ToValue(value));
}

int Serve(method::ProParameterUnitsGet, Call& c, const protocol::Parameter& param,
          protocol::Unit& out) {
  ParamRef p = ToParam(c.store, param);
  out.mdl = MdlToWire(p.owner.mdl);
  return c.store.ParamUnitsGet(p, &out.name);
}

int Serve(method::ProParameterVisit, Call& c, const protocol::Item& owner_item,
          std::vector<protocol::Parameter>& out) {
  Item owner = ToItem(owner_item);
  std::vector<std::string> names;
  int rc = c.store.ParamList(owner, &names);
  for (const std::string& n : names) out.push_back(ParamToWire(c.store, ParamRef{owner, n}));
  return rc;
}

// ---- Relations

int Serve(method::ProModelitemToRelset, Call& c, const protocol::Item& item, protocol::Item& out) {
  Item relset;
  int rc = c.store.ItemToRelset(ToItem(item), &relset);
  out = ToWire(relset);
  return rc;
}

int Serve(method::ProRelsetCreate, Call& c, const protocol::Item& item, protocol::Item& out) {
  Item relset;
  int rc = c.store.RelsetCreate(ToItem(item), &relset);
  out = ToWire(relset);
  return rc;
}

int Serve(method::ProRelsetRelationsGet, Call& c, const protocol::Item& relset,
          std::vector<Text>& lines) {
  return c.store.RelsetLinesGet(ToItem(relset), &lines);
}

int Serve(method::ProRelsetRelationsSet, Call& c, const protocol::Item& relset,
          const std::vector<Text>& lines) {
  return c.store.RelsetLinesSet(ToItem(relset), lines);
}

// ---- Messages

int Serve(method::ProMessageArgTypes, Call& c, const Text& file_name, const Text& key,
          Text& types) {
  const MessageFile* file = nullptr;
  int rc =
      c.session.message_files().Load(c.session.MessageDirs(c.client), file_name, &file, c.client);
  if (rc != PRO_TK_NO_ERROR) return rc;
  const MessageEntry* entry = file->Find(key);
  if (!entry) return PRO_TK_MSG_NOT_FOUND;
  return MessageArgTypes(entry->format, &types);
}

int Serve(method::ProMessageDisplay, Call& c, const Text& file, const Text& key,
          const method::Values& values) {
  std::string text;
  int rc = ResolveMessage(c.session.message_files(), c.session.MessageDirs(c.client), file, key,
                          values, &text, c.client);
  // Over-long text is still shown, cut to the line.
  if (rc == PRO_TK_NO_ERROR || rc == PRO_TK_MSG_TOO_LONG) c.session.AddMessage(text);
  return rc;
}

int Serve(method::ProMessageToBuffer, Call& c, const Text& file, const Text& key,
          const method::Values& values, Text& text) {
  return ResolveMessage(c.session.message_files(), c.session.MessageDirs(c.client), file, key,
                        values, &text, c.client);
}

int Serve(method::ProMessageClear, Call&) { return PRO_TK_NO_ERROR; }

// ---- Notifications

bool KnownNotifyType(int type) { return type >= 1 && type <= 137; }

int Serve(method::ProNotificationSet, Call& c, int type, int registered) {
  if (!KnownNotifyType(type)) return PRO_TK_BAD_INPUTS;
  c.session.SetNotification(c.client, type, registered != 0);
  return PRO_TK_NO_ERROR;
}

int Serve(method::ProNotificationUnset, Call& c, int type) {
  if (!KnownNotifyType(type)) return PRO_TK_BAD_INPUTS;
  c.session.SetNotification(c.client, type, false);
  return PRO_TK_NO_ERROR;
}

// ---- Commands and menu bar

int Serve(method::ProCmdActionAdd, Call& c, const Text& name, int priority, int access_state,
          int /*allow_in_non_active_window*/, int /*allow_in_accessory_window*/,
          protocol::CommandId& out) {
  int id = 0;
  int rc = c.session.AddCommand(c.client, name, priority, access_state, &id);
  if (rc == PRO_TK_BAD_INPUTS) rc = PRO_TK_GENERAL_ERROR;  // the published codes
  out = static_cast<protocol::CommandId>(id);
  return rc;
}

int Serve(method::ProCmdCmdIdFind, Call& c, const Text& name, protocol::CommandId& out) {
  const Command* cmd = c.session.FindCommandByName(name);
  if (!cmd) return PRO_TK_GENERAL_ERROR;
  out = static_cast<protocol::CommandId>(cmd->id);
  return PRO_TK_NO_ERROR;
}

int Serve(method::ProCmdAccessFuncAdd, Call& c, protocol::CommandId cmd, int access_state,
          protocol::CommandId& out) {
  int id = 0;
  int rc = c.session.AddAccess(c.client, Handle32(cmd), access_state, &id);
  out = static_cast<protocol::CommandId>(id);
  return rc;
}

int Serve(method::ProCmdAccessFuncRemove, Call& c, protocol::CommandId cmd,
          protocol::CommandId access) {
  return c.session.RemoveAccess(Handle32(cmd), Handle32(access));
}

int Serve(method::ProCmdAccessUpdate, Call& c, protocol::CommandId cmd, protocol::CommandId access,
          int state) {
  return c.session.UpdateAccess(c.client, Handle32(cmd), Handle32(access), state);
}

// A menu label or help text from the client's message file. A label key the file
// does not have, or a file that cannot be found, is PRO_TK_MSG_NOT_FOUND.
int Label(Call& c, const std::string& file, const std::string& key, std::string* text) {
  int rc = ResolveMessage(c.session.message_files(), c.session.MessageDirs(c.client), file, key, {},
                          text, c.client);
  if (rc == PRO_TK_MSG_TOO_LONG) return PRO_TK_NO_ERROR;
  if (rc == PRO_TK_E_NOT_FOUND || rc == PRO_TK_CANT_OPEN) return PRO_TK_MSG_NOT_FOUND;
  return rc;
}

const std::string* Neighbor(const method::NullableText& neighbor) {
  return neighbor ? &*neighbor : nullptr;
}

int Serve(method::ProMenubarMenuAdd, Call& c, const Text& name, const Text& label_key,
          const method::NullableText& neighbor, int after, const Text& file) {
  std::string label;
  int rc = Label(c, file, label_key, &label);
  if (rc != PRO_TK_NO_ERROR) return rc;
  return c.session.AddTopMenu(name, label, Neighbor(neighbor), after != 0);
}

int Serve(method::ProMenubarmenuMenuAdd, Call& c, const Text& parent, const Text& name,
          const Text& label_key, const method::NullableText& neighbor, int after,
          const Text& file) {
  std::string label;
  int rc = Label(c, file, label_key, &label);
  if (rc != PRO_TK_NO_ERROR) return rc;
  return c.session.AddSubMenu(parent, name, label, Neighbor(neighbor), after != 0);
}

int Serve(method::ProMenubarmenuPushbuttonAdd, Call& c, const Text& parent, const Text& name,
          const Text& label_key, const Text& help_key, const method::NullableText& neighbor,
          int after, protocol::CommandId cmd, const Text& file) {
  std::string label, help;
  int rc = Label(c, file, label_key, &label);
  if (rc == PRO_TK_NO_ERROR) rc = Label(c, file, help_key, &help);
  if (rc != PRO_TK_NO_ERROR) return rc;
  return c.session.AddButton(parent, name, label, help, Neighbor(neighbor), after != 0,
                             Handle32(cmd));
}

// ---- The table ------------------------------------------------------------------------

template <class T>
using In = std::conditional_t<std::is_scalar_v<T>, T, const T&>;

template <class M, class Args = typename M::Args, class Outs = typename M::Outs>
struct HandlerOf;
template <class M, class... A, class... O>
struct HandlerOf<M, std::tuple<A...>, std::tuple<O...>> {
  using Fn = int (*)(M, Call&, In<A>..., O&...);
};

// Decodes M's args, runs its handler and packs the reply. Arguments of another
// shape, or a handler that throws, give PRO_TK_BAD_INPUTS.
template <class M>
std::string Answer(Call& c, const protocol::Message& request) {
  // Exactly one Serve has M's shape; a method without one does not compile.
  const typename HandlerOf<M>::Fn serve = &Serve;
  typename M::Outs outs{};
  int code;
  try {
    auto args = protocol::ArgsOf<M>(request);
    code = std::apply(
        [&](auto&... a) {
          return std::apply([&](auto&... o) { return serve(M{}, c, a..., o...); }, outs);
        },
        args);
  } catch (const std::exception&) {
    code = PRO_TK_BAD_INPUTS;
  }
  return protocol::PackReplyOf<M>(request.seq, code, outs);
}

using Answerer = std::string (*)(Call&, const protocol::Message&);

template <class... M>
std::map<std::string_view, Answerer> TableOf(std::tuple<M...>*) {
  return {{M::kName, &Answer<M>}...};
}

const std::map<std::string_view, Answerer>& Answerers() {
  static const auto table = TableOf(static_cast<method::All*>(nullptr));
  return table;
}

}  // namespace

Dispatcher::Dispatcher(Store& store, Session& session) : store_(store), session_(session) {}

void Dispatcher::Delay(int ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  stop_cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stopping_; });
}

void Dispatcher::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  stop_cv_.notify_all();
}

void Dispatcher::Forget(ClientId client) {
  std::lock_guard<std::mutex> lock(mutex_);
  session_.ForgetClient(client);
}

ControlResult Dispatcher::Control(const std::vector<std::string>& args) {
  std::lock_guard<std::mutex> lock(mutex_);
  return RunControl(store_, session_, args);
}

namespace {

// The answer to a ctl request: the control action's text and code, and its events.
Outcome ControlOutcome(Dispatcher& dispatcher, const protocol::Message& request) {
  Outcome outcome;
  ControlResult r;
  try {
    r = dispatcher.Control(protocol::ArgsOf<method::ctl>(request));
  } catch (const std::exception&) {
    r.code = PRO_TK_BAD_INPUTS;
    r.text = "ctl arguments must be texts\n";
  }
  // A reply the frame cannot carry would end the connection, which the caller
  // could not tell from a session that does not answer.
  constexpr std::size_t kMaxReplyText = protocol::kMaxFrameSize - 4096;
  if (r.text.size() > kMaxReplyText) {
    const std::size_t size = r.text.size();
    r.code = PRO_TK_BAD_CONTEXT;
    r.text = "the reply (" + std::to_string(size) + " bytes) is larger than one frame carries (" +
             std::to_string(kMaxReplyText) + " bytes)\n";
  }
  outcome.reply = protocol::PackReplyOf<method::ctl>(request.seq, r.code, {r.text});
  outcome.events = std::move(r.events);
  outcome.exit = r.exit;
  return outcome;
}

}  // namespace

Outcome Dispatcher::Handle(ClientId client, const protocol::Message& request) {
  Outcome outcome;
  const std::string& name = request.name;
  if (name == method::ctl::kName) return ControlOutcome(*this, request);

  Fault fault;
  bool faulted;
  int delay;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    session_.CountCall(name);
    // The k-th call's fault wins; the function's own then stays pending.
    faulted = session_.TakeCallFault(&fault) || session_.TakeFault(name, &fault);
    delay = session_.DelayOf(name);
  }
  if (delay > 0) Delay(delay);
  if (faulted && fault.kill) {
    outcome.die = true;
    return outcome;
  }
  if (faulted) {
    outcome.reply = fault.crash ? protocol::PackReply(request.seq, PRO_TK_GENERAL_ERROR, "crash")
                                : protocol::PackReply(request.seq, fault.code, "");
    return outcome;
  }

  std::lock_guard<std::mutex> lock(mutex_);
  const ClientInfo* info = session_.FindClient(client);
  const auto answer = Answerers().find(name);
  const bool before_hello =
      name == method::hello::kName || name == method::ping::kName || name == method::bye::kName;
  Call call{store_, session_, client};
  if (name == method::hello::kName && stopping_) {
    outcome.reply = protocol::PackReply(request.seq, PRO_TK_E_BUSY, "");
  } else if (answer == Answerers().end()) {
    outcome.reply = protocol::PackReply(request.seq, PRO_TK_NOT_IMPLEMENTED, "");
  } else if (!before_hello && !(info && info->hello)) {
    // Toolkit calls need the handshake first.
    outcome.reply = protocol::PackReply(request.seq, PRO_TK_BAD_CONTEXT, "");
  } else {
    outcome.reply = answer->second(call, request);
  }
  outcome.close = call.close;
  outcome.exit = call.exit;
  return outcome;
}

}  // namespace sim
