#include "sim/dispatcher.h"

#include <ProObjects.h>
#include <ProToolkitErrors.h>
#include <ProUICmd.h>
#include <chrono>
#include <climits>
#include <map>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

#include "protocol/values.h"
#include "sim/message_file.h"

namespace sim {
namespace {

// One request being answered: its arguments, the outputs packed so far, and the
// effects beyond the reply.
struct Call {
  Call(Store& s, Session& se, ClientId c, const msgpack::object& a)
      : store(s), session(se), client(c), args(a), pk(outs) {}

  template <class T>
  T Arg(std::uint32_t i) const {
    return protocol::Arg<T>(args, i);
  }
  bool Nil(std::uint32_t i) const { return protocol::ArgIsNil(args, i); }
  // Text that the toolkit allows to be a null pointer; nil reads as "".
  std::string Text(std::uint32_t i) const { return Nil(i) ? std::string() : Arg<std::string>(i); }
  const msgpack::object& Raw(std::uint32_t i) const {
    if (i >= protocol::ArgCount(args)) throw std::out_of_range("missing argument");
    return args.via.array.ptr[i];
  }

  template <class T>
  void Out(const T& value) {
    pk.pack(value);
    ++count;
  }

  Store& store;
  Session& session;
  ClientId client;
  const msgpack::object& args;
  msgpack::sbuffer outs;
  msgpack::packer<msgpack::sbuffer> pk;
  std::uint32_t count = 0;
  bool keep_outs = false;  // outputs travel with a failure code too
  std::vector<Event> events;
  bool close = false;
  bool exit = false;
};

using Handler = int (*)(Call&);

// ---- Wire conversions ---------------------------------------------------------------

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
  w.mdl = i.mdl > 0 ? static_cast<protocol::ModelHandle>(i.mdl) : 0;
  return w;
}

Item ItemArg(const Call& c, std::uint32_t i) { return ToItem(c.Arg<protocol::Item>(i)); }

// A ProMdl argument; nil and 0 are the null model.
int MdlArg(const Call& c, std::uint32_t i) {
  if (c.Nil(i)) return 0;
  return Handle32(c.Arg<std::uint64_t>(i));
}

protocol::Parameter ParamToWire(const Store& store, const ParamRef& p) {
  protocol::Parameter w;
  w.name = p.name;
  if (store.IsModelItem(p.owner)) {
    w.owner.kind = 0;
    w.owner.mdl = static_cast<protocol::ModelHandle>(p.owner.mdl);
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

ParamRef ParamArg(const Call& c, std::uint32_t i) {
  protocol::Parameter w = c.Arg<protocol::Parameter>(i);
  ParamRef p;
  p.name = w.name;
  p.owner = OwnerItem(c.store, w.owner);
  return p;
}

ParamValue ValueArg(const Call& c, std::uint32_t i) {
  protocol::ParamValue w = c.Arg<protocol::ParamValue>(i);
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

std::vector<MessageValue> MessageValues(const msgpack::object& array) {
  std::vector<MessageValue> values;
  if (array.type != msgpack::type::ARRAY) throw msgpack::type_error();
  for (std::uint32_t i = 0; i < array.via.array.size; ++i) {
    const msgpack::object& o = array.via.array.ptr[i];
    MessageValue v;
    switch (o.type) {
      case msgpack::type::STR:
        v.kind = MessageValue::kText;
        v.text = o.as<std::string>();
        break;
      case msgpack::type::POSITIVE_INTEGER:
      case msgpack::type::NEGATIVE_INTEGER:
        v.kind = MessageValue::kInteger;
        v.integer = o.as<long long>();
        break;
      case msgpack::type::FLOAT32:
      case msgpack::type::FLOAT64:
        v.kind = MessageValue::kDouble;
        v.real = o.as<double>();
        break;
      case msgpack::type::BOOLEAN:
        v.kind = MessageValue::kInteger;
        v.integer = o.as<bool>();
        break;
      default:
        break;
    }
    values.push_back(std::move(v));
  }
  return values;
}

std::vector<protocol::Item> ItemsToWire(const std::vector<Item>& items) {
  std::vector<protocol::Item> out;
  for (const Item& i : items) out.push_back(ToWire(i));
  return out;
}

std::vector<std::uint64_t> HandlesToWire(const std::vector<int>& mdls) {
  return std::vector<std::uint64_t>(mdls.begin(), mdls.end());
}

// ---- Connection ---------------------------------------------------------------------

int Hello(Call& c) {
  if (c.Arg<int>(0) != protocol::kProtocolVersion) return PRO_TK_COMM_ERROR;
  std::string display = c.Text(1), user = c.Text(2), text_dir = c.Text(3);
  long long pid = c.Nil(4) ? 0 : c.Arg<long long>(4);
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
  c.Out(std::vector<long long>{static_cast<long long>(::getpid()),
                               static_cast<long long>(c.client & 0x7fffffff)});
  return PRO_TK_NO_ERROR;
}

int Ping(Call& c) {
  const ClientInfo* info = c.session.FindClient(c.client);
  return info && info->hello ? PRO_TK_NO_ERROR : PRO_TK_GENERAL_ERROR;
}

int Bye(Call& c) {
  c.session.ForgetClient(c.client);
  c.close = true;
  return PRO_TK_NO_ERROR;
}

int EngineerEnd(Call& c) {
  c.exit = true;
  return PRO_TK_NO_ERROR;
}

// ---- Models -------------------------------------------------------------------------

int MdlLoad(Call& c) {
  int mdl = 0;
  int rc = c.store.Load(c.Arg<std::string>(0), c.Arg<int>(1), &mdl, true);
  if (rc == PRO_TK_NO_ERROR) c.Out(static_cast<std::uint64_t>(mdl));
  return rc;
}

int MdlRetrieve(Call& c) {
  int mdl = 0;
  int rc = c.store.Load(c.Arg<std::string>(0), c.Arg<int>(1), &mdl, true);
  if (rc == PRO_TK_NO_ERROR) c.Out(static_cast<std::uint64_t>(mdl));
  return rc;
}

int MdlDisplay(Call& c) {
  int mdl = MdlArg(c, 0);
  if (mdl == 0) return c.session.CurrentModel() ? PRO_TK_NO_ERROR : PRO_TK_E_NOT_FOUND;
  if (!c.store.Find(mdl)) return PRO_TK_INVALID_PTR;
  c.session.Display(mdl);
  return PRO_TK_NO_ERROR;
}

int MdlSave(Call& c) { return c.store.Save(MdlArg(c, 0)); }

int MdlEraseAll(Call& c) {
  std::vector<int> erased;
  int rc = c.store.Erase(MdlArg(c, 0), &erased);
  if (rc == PRO_TK_NO_ERROR) c.session.ModelsErased(erased);
  return rc;
}

int MdlCurrentGet(Call& c) {
  int mdl = c.session.CurrentModel();
  if (mdl == 0) return PRO_TK_BAD_CONTEXT;
  c.Out(static_cast<std::uint64_t>(mdl));
  return PRO_TK_NO_ERROR;
}

int MdlDataGet(Call& c) {
  ModelData d;
  int rc = c.store.DataGet(MdlArg(c, 0), &d);
  if (rc != PRO_TK_NO_ERROR) return rc;
  protocol::ModelData w;
  w.name = d.name;
  w.type = d.type;
  w.path = d.path;
  w.device = d.device;
  w.host = d.host;
  w.version = d.version;
  w.subclass = d.subclass;
  c.Out(w);
  return rc;
}

int MdlTypeGet(Call& c) {
  int type = 0;
  int rc = c.store.TypeGet(MdlArg(c, 0), &type);
  if (rc == PRO_TK_NO_ERROR) c.Out(type);
  return rc;
}

int MdlSubtypeGet(Call& c) {
  const Model* m = c.store.Find(MdlArg(c, 0));
  if (!m) return PRO_TK_BAD_INPUTS;
  c.Out(m->subtype ? m->subtype : DefaultModelSubtype(m->type));
  return PRO_TK_NO_ERROR;
}

int MdlInit(Call& c) {
  int mdl = 0;
  int rc = c.store.Init(c.Text(0), c.Arg<int>(1), &mdl);
  if (rc == PRO_TK_NO_ERROR) c.Out(static_cast<std::uint64_t>(mdl));
  return rc;
}

int MdlDependenciesList(Call& c) {
  std::vector<ModelRef> deps;
  int rc = c.store.Dependencies(MdlArg(c, 0), &deps);
  if (rc != PRO_TK_NO_ERROR) return rc;
  std::vector<protocol::Model> out;
  for (const ModelRef& r : deps) out.push_back(protocol::Model{r.name, ModelTypeText(r.type)});
  c.Out(out);
  return rc;
}

int MdlToModelitem(Call& c) {
  Item item;
  int rc = c.store.ModelToItem(MdlArg(c, 0), &item);
  if (rc == PRO_TK_NO_ERROR) c.Out(ToWire(item));
  return rc;
}

int MdlWindowGet(Call& c) {
  int mdl = MdlArg(c, 0);
  if (!c.store.Find(mdl)) return PRO_TK_BAD_INPUTS;
  int window = c.session.WindowOf(mdl);
  if (window == 0) return PRO_TK_E_NOT_FOUND;
  c.Out(window);
  return PRO_TK_NO_ERROR;
}

int SessionMdlList(Call& c) {
  std::vector<int> mdls;
  int rc = c.store.SessionModels(c.Arg<int>(0), &mdls);
  if (rc == PRO_TK_NO_ERROR) c.Out(HandlesToWire(mdls));
  return rc;
}

int DrawingSolidsCollect(Call& c) {
  std::vector<int> mdls;
  int rc = c.store.DrawingSolids(MdlArg(c, 0), &mdls);
  if (rc == PRO_TK_NO_ERROR) c.Out(HandlesToWire(mdls));
  return rc;
}

int AsmcompMdlGet(Call& c) {
  int mdl = 0;
  int rc = c.store.AsmcompMdlGet(ItemArg(c, 0), &mdl);
  if (rc == PRO_TK_NO_ERROR) c.Out(static_cast<std::uint64_t>(mdl));
  return rc;
}

int AsmcompMdlNameGet(Call& c) {
  int type = 0;
  std::string name;
  int rc = c.store.AsmcompMdlNameGet(ItemArg(c, 0), &type, &name);
  if (rc == PRO_TK_NO_ERROR) {
    c.Out(type);
    c.Out(name);
  }
  return rc;
}

// ---- Windows ------------------------------------------------------------------------

int WindowCurrentGet(Call& c) {
  if (!c.session.WindowsReady()) return PRO_TK_GENERAL_ERROR;
  c.Out(c.session.current_window());
  return PRO_TK_NO_ERROR;
}

int WindowCurrentSet(Call& c) {
  return c.session.SetCurrent(c.Arg<int>(0)) ? PRO_TK_NO_ERROR : PRO_TK_BAD_INPUTS;
}

int WindowActivate(Call& c) {
  int window = c.Arg<int>(0);
  if (!c.session.FindWindow(window)) return PRO_TK_BAD_INPUTS;
  if (!c.session.WindowsReady()) return PRO_TK_GENERAL_ERROR;
  c.session.Activate(window);
  return PRO_TK_NO_ERROR;
}

int WindowCurrentClose(Call& c) {
  if (!c.session.WindowsReady()) return PRO_TK_GENERAL_ERROR;
  c.session.CloseCurrent();
  return PRO_TK_NO_ERROR;
}

int WindowMdlGet(Call& c) {
  const Window* w = c.session.FindWindow(c.Arg<int>(0));
  if (!w) return PRO_TK_BAD_INPUTS;
  c.Out(static_cast<std::uint64_t>(w->mdl));
  return PRO_TK_NO_ERROR;
}

// ---- Features -----------------------------------------------------------------------

// The feature getters that publish only BAD_INPUTS for a handle that is not one.
template <class F>
int FeatureGetter(Call& c, F out) {
  const Feature* f = nullptr;
  int rc = c.store.GetFeature(ItemArg(c, 0), &f);
  if (rc == PRO_TK_INVALID_TYPE) rc = PRO_TK_BAD_INPUTS;
  if (rc != PRO_TK_NO_ERROR) return rc;
  out(*f);
  return PRO_TK_NO_ERROR;
}

int FeatureInit(Call& c) {
  Item item;
  int rc = c.store.FeatureInit(MdlArg(c, 0), c.Arg<int>(1), &item);
  if (rc == PRO_TK_NO_ERROR) c.Out(ToWire(item));
  return rc;
}

int FeatureTypeGet(Call& c) {
  return FeatureGetter(c, [&](const Feature& f) { c.Out(f.type); });
}
int FeatureTypenameGet(Call& c) {
  return FeatureGetter(c, [&](const Feature& f) {
    c.Out(f.type_name.empty() ? DefaultFeatureTypeName(f.type) : f.type_name);
  });
}
int FeatureSubtypeGet(Call& c) {
  return FeatureGetter(c, [&](const Feature& f) { c.Out(f.subtype); });
}
int FeatureIsNcseq(Call& c) {
  const Feature* f = nullptr;
  int rc = c.store.GetFeature(ItemArg(c, 0), &f);
  if (rc == PRO_TK_NO_ERROR) c.Out(f->ncseq ? 1 : 0);
  return rc;
}
int FeatureIsIncomplete(Call& c) {
  return FeatureGetter(c, [&](const Feature& f) { c.Out(f.incomplete ? 1 : 0); });
}
int FeatureIsReadonly(Call& c) {
  return FeatureGetter(c, [&](const Feature& f) { c.Out(f.read_only ? 1 : 0); });
}
int FeaturePatternStatusGet(Call& c) {
  return FeatureGetter(c, [&](const Feature& f) { c.Out(f.pattern_status); });
}
int FeatureGroupStatusGet(Call& c) {
  return FeatureGetter(c, [&](const Feature& f) { c.Out(f.group_status); });
}
int FeatureGrppatternStatusGet(Call& c) {
  return FeatureGetter(c, [&](const Feature& f) { c.Out(f.grppattern_status); });
}
int FeatureStatusGet(Call& c) {
  return FeatureGetter(c, [&](const Feature& f) { c.Out(f.status); });
}
int FeatureVisibilityGet(Call& c) {
  return FeatureGetter(c, [&](const Feature& f) { c.Out(f.visible ? 1 : 0); });
}

int FeatureDimensionVisit(Call& c) {
  std::vector<Item> dims;
  int rc = c.store.FeatureDimensions(ItemArg(c, 0), &dims);
  if (rc == PRO_TK_NO_ERROR) c.Out(ItemsToWire(dims));
  return rc;
}

int SolidFeatstatusGet(Call& c) {
  std::vector<int> ids, statuses;
  int rc = c.store.FeatureStatuses(MdlArg(c, 0), &ids, &statuses);
  if (rc == PRO_TK_NO_ERROR) {
    c.Out(ids);
    c.Out(statuses);
  }
  return rc;
}

int SolidFailedFeatsList(Call& c) {
  std::vector<int> ids;
  int rc = c.store.FailedFeatures(MdlArg(c, 0), &ids);
  if (rc == PRO_TK_NO_ERROR) c.Out(ids);
  return rc;
}

int SolidRegenerate(Call& c) { return c.store.Regenerate(MdlArg(c, 0), c.Arg<int>(1)); }

int SolidFeatVisit(Call& c) {
  std::vector<Item> feats;
  int rc = c.store.Features(MdlArg(c, 0), &feats);
  if (rc == PRO_TK_NO_ERROR) c.Out(ItemsToWire(feats));
  return rc;
}

// ---- Dimensions ---------------------------------------------------------------------

template <class F>
int DimensionGetter(Call& c, F out) {
  const Dimension* d = nullptr;
  int rc = c.store.GetDimension(ItemArg(c, 0), &d);
  if (rc != PRO_TK_NO_ERROR) return rc;
  out(*d);
  return PRO_TK_NO_ERROR;
}

int DimensionSymbolGet(Call& c) {
  return DimensionGetter(c, [&](const Dimension& d) { c.Out(d.symbol); });
}
int DimensionSymbolSet(Call& c) {
  return c.store.DimensionSymbolSet(ItemArg(c, 0), c.Arg<std::string>(1));
}
int DimensionValueGet(Call& c) {
  return DimensionGetter(c, [&](const Dimension& d) { c.Out(d.value); });
}
int DimensionValueSet(Call& c) {
  return c.store.DimensionValueSet(ItemArg(c, 0), c.Arg<double>(1));
}
int DimensionTypeGet(Call& c) {
  return DimensionGetter(c, [&](const Dimension& d) { c.Out(d.dim_type); });
}
int DimensionToltypeGet(Call& c) {
  int t = 0;
  int rc = c.store.DimensionToltypeGet(ItemArg(c, 0), &t);
  if (rc == PRO_TK_NO_ERROR) c.Out(t);
  return rc;
}
int DimensionToltypeSet(Call& c) {
  return c.store.DimensionToltypeSet(ItemArg(c, 0), c.Arg<int>(1));
}
int DimensionToleranceGet(Call& c) {
  return DimensionGetter(c, [&](const Dimension& d) {
    c.Out(d.upper);
    c.Out(d.lower);
  });
}
int DimensionToleranceSet(Call& c) {
  return c.store.DimensionToleranceSet(ItemArg(c, 0), c.Arg<double>(1), c.Arg<double>(2));
}
int DimensionIsReldriven(Call& c) {
  return DimensionGetter(c, [&](const Dimension& d) { c.Out(d.rel_driven ? 1 : 0); });
}

// ---- Model items --------------------------------------------------------------------

int ModelitemInit(Call& c) {
  Item item;
  int rc = c.store.ModelitemInit(MdlArg(c, 0), c.Arg<int>(1), c.Arg<int>(2), &item);
  if (rc == PRO_TK_NO_ERROR) c.Out(ToWire(item));
  return rc;
}

int ModelitemNameGet(Call& c) {
  std::string name;
  int rc = c.store.ItemNameGet(ItemArg(c, 0), &name);
  if (rc == PRO_TK_NO_ERROR) c.Out(name);
  return rc;
}

int ModelitemNameSet(Call& c) { return c.store.ItemNameSet(ItemArg(c, 0), c.Arg<std::string>(1)); }

// ---- Parameters ---------------------------------------------------------------------

int ParameterInit(Call& c) {
  ParamRef p;
  int rc = c.store.ParamInit(ItemArg(c, 0), c.Text(1), &p);
  if (rc == PRO_TK_NO_ERROR) c.Out(ParamToWire(c.store, p));
  return rc;
}

int ParameterCreate(Call& c) {
  ParamRef p;
  int rc = c.store.ParamCreate(ItemArg(c, 0), c.Text(1), ValueArg(c, 2), &p);
  if (rc == PRO_TK_NO_ERROR) c.Out(ParamToWire(c.store, p));
  return rc;
}

int ParameterDelete(Call& c) { return c.store.ParamDelete(ParamArg(c, 0)); }

int ParameterValueGet(Call& c) {
  ParamValue v;
  int rc = c.store.ParamValueGet(ParamArg(c, 0), &v);
  if (rc == PRO_TK_NO_ERROR) c.Out(ValueToWire(v));
  return rc;
}

int ParameterValueSet(Call& c) { return c.store.ParamValueSet(ParamArg(c, 0), ValueArg(c, 1)); }

int ParameterUnitsGet(Call& c) {
  ParamRef p = ParamArg(c, 0);
  std::string units;
  int rc = c.store.ParamUnitsGet(p, &units);
  if (rc == PRO_TK_NO_ERROR)
    c.Out(std::make_tuple(static_cast<std::uint64_t>(p.owner.mdl > 0 ? p.owner.mdl : 0), units));
  return rc;
}

int ParameterVisit(Call& c) {
  Item owner = ItemArg(c, 0);
  std::vector<std::string> names;
  int rc = c.store.ParamList(owner, &names);
  if (rc != PRO_TK_NO_ERROR) return rc;
  std::vector<protocol::Parameter> out;
  for (const std::string& n : names) out.push_back(ParamToWire(c.store, ParamRef{owner, n}));
  c.Out(out);
  return rc;
}

// ---- Relations ----------------------------------------------------------------------

int ModelitemToRelset(Call& c) {
  Item relset;
  int rc = c.store.ItemToRelset(ItemArg(c, 0), &relset);
  if (rc == PRO_TK_NO_ERROR) c.Out(ToWire(relset));
  return rc;
}

int RelsetCreate(Call& c) {
  Item relset;
  int rc = c.store.RelsetCreate(ItemArg(c, 0), &relset);
  if (rc == PRO_TK_NO_ERROR) c.Out(ToWire(relset));
  return rc;
}

int RelsetRelationsGet(Call& c) {
  std::vector<std::string> lines;
  int rc = c.store.RelsetLinesGet(ItemArg(c, 0), &lines);
  if (rc == PRO_TK_NO_ERROR) c.Out(lines);
  return rc;
}

int RelsetRelationsSet(Call& c) {
  return c.store.RelsetLinesSet(ItemArg(c, 0), c.Arg<std::vector<std::string>>(1));
}

// ---- Messages -----------------------------------------------------------------------

int MessageDisplay(Call& c) {
  std::string text;
  int rc = ResolveMessage(c.session.MessageDirs(c.client), c.Arg<std::string>(0),
                          c.Arg<std::string>(1), MessageValues(c.Raw(2)), &text);
  // Over-long text is still shown, cut to the line.
  if (rc == PRO_TK_NO_ERROR || rc == PRO_TK_MSG_TOO_LONG) c.session.AddMessage(text);
  return rc;
}

int MessageToBuffer(Call& c) {
  std::string text;
  int rc = ResolveMessage(c.session.MessageDirs(c.client), c.Arg<std::string>(0),
                          c.Arg<std::string>(1), MessageValues(c.Raw(2)), &text);
  if (rc == PRO_TK_NO_ERROR || rc == PRO_TK_MSG_TOO_LONG) {
    c.Out(text);
    c.keep_outs = true;
  }
  return rc;
}

int MessageArgTypesCall(Call& c) {
  MessageFile file;
  int rc = LoadMessageFile(c.session.MessageDirs(c.client), c.Arg<std::string>(0), &file);
  if (rc != PRO_TK_NO_ERROR) return rc;
  const MessageEntry* entry = file.Find(c.Arg<std::string>(1));
  if (!entry) return PRO_TK_MSG_NOT_FOUND;
  std::string types;
  rc = MessageArgTypes(entry->format, &types);
  if (rc == PRO_TK_NO_ERROR) c.Out(types);
  return rc;
}

int MessageClear(Call&) { return PRO_TK_NO_ERROR; }

// ---- Notifications ------------------------------------------------------------------

bool KnownNotifyType(int type) { return type >= 1 && type <= 137; }

int NotificationSet(Call& c) {
  int type = c.Arg<int>(0);
  if (!KnownNotifyType(type)) return PRO_TK_BAD_INPUTS;
  c.session.SetNotification(c.client, type, c.Arg<int>(1) != 0);
  return PRO_TK_NO_ERROR;
}

int NotificationUnset(Call& c) {
  int type = c.Arg<int>(0);
  if (!KnownNotifyType(type)) return PRO_TK_BAD_INPUTS;
  c.session.SetNotification(c.client, type, false);
  return PRO_TK_NO_ERROR;
}

// ---- Commands and menu bar ------------------------------------------------------------

int CmdActionAdd(Call& c) {
  int id = 0;
  int rc = c.session.AddCommand(c.client, c.Arg<std::string>(0), c.Arg<int>(1), c.Arg<int>(2), &id);
  if (rc == PRO_TK_BAD_INPUTS) rc = PRO_TK_GENERAL_ERROR;  // the published codes
  if (rc == PRO_TK_NO_ERROR) c.Out(id);
  return rc;
}

int CmdCmdIdFind(Call& c) {
  const Command* cmd = c.session.FindCommandByName(c.Text(0));
  if (!cmd) return PRO_TK_GENERAL_ERROR;
  c.Out(cmd->id);
  return PRO_TK_NO_ERROR;
}

int CmdAccessFuncAdd(Call& c) {
  int id = 0;
  int rc = c.session.AddAccess(c.client, c.Arg<int>(0), c.Arg<int>(1), &id);
  if (rc == PRO_TK_NO_ERROR) c.Out(id);
  return rc;
}

int CmdAccessFuncRemove(Call& c) { return c.session.RemoveAccess(c.Arg<int>(0), c.Arg<int>(1)); }

int CmdAccessUpdate(Call& c) {
  return c.session.UpdateAccess(c.client, c.Arg<int>(0), c.Arg<int>(1), c.Arg<int>(2));
}

// A menu label or help text from the client's message file. A label key the file
// does not have, or a file that cannot be found, is PRO_TK_MSG_NOT_FOUND.
int Label(Call& c, const std::string& file, const std::string& key, std::string* text) {
  int rc = ResolveMessage(c.session.MessageDirs(c.client), file, key, {}, text);
  if (rc == PRO_TK_MSG_TOO_LONG) return PRO_TK_NO_ERROR;
  if (rc == PRO_TK_E_NOT_FOUND || rc == PRO_TK_CANT_OPEN) return PRO_TK_MSG_NOT_FOUND;
  return rc;
}

int MenubarMenuAdd(Call& c) {
  std::string name = c.Arg<std::string>(0), neighbor, label;
  bool has_neighbor = !c.Nil(2);
  if (has_neighbor) neighbor = c.Arg<std::string>(2);
  int rc = Label(c, c.Arg<std::string>(4), c.Arg<std::string>(1), &label);
  if (rc != PRO_TK_NO_ERROR) return rc;
  return c.session.AddTopMenu(name, label, has_neighbor ? &neighbor : nullptr, c.Arg<int>(3) != 0);
}

int MenubarmenuMenuAdd(Call& c) {
  std::string parent = c.Arg<std::string>(0), name = c.Arg<std::string>(1), neighbor, label;
  bool has_neighbor = !c.Nil(3);
  if (has_neighbor) neighbor = c.Arg<std::string>(3);
  int rc = Label(c, c.Arg<std::string>(5), c.Arg<std::string>(2), &label);
  if (rc != PRO_TK_NO_ERROR) return rc;
  return c.session.AddSubMenu(parent, name, label, has_neighbor ? &neighbor : nullptr,
                              c.Arg<int>(4) != 0);
}

int MenubarmenuPushbuttonAdd(Call& c) {
  std::string parent = c.Arg<std::string>(0), name = c.Arg<std::string>(1), neighbor, label, help;
  bool has_neighbor = !c.Nil(4);
  if (has_neighbor) neighbor = c.Arg<std::string>(4);
  std::string file = c.Arg<std::string>(7);
  int rc = Label(c, file, c.Arg<std::string>(2), &label);
  if (rc == PRO_TK_NO_ERROR) rc = Label(c, file, c.Arg<std::string>(3), &help);
  if (rc != PRO_TK_NO_ERROR) return rc;
  return c.session.AddButton(parent, name, label, help, has_neighbor ? &neighbor : nullptr,
                             c.Arg<int>(5) != 0, c.Arg<int>(6));
}

const std::map<std::string, Handler>& Handlers() {
  static const std::map<std::string, Handler> table = {
      {"hello", Hello},
      {"ping", Ping},
      {"bye", Bye},
      {"ProEngineerEnd", EngineerEnd},
      {"ProMdlLoad", MdlLoad},
      {"ProMdlRetrieve", MdlRetrieve},
      {"ProMdlDisplay", MdlDisplay},
      {"ProMdlSave", MdlSave},
      {"ProMdlEraseAll", MdlEraseAll},
      {"ProMdlCurrentGet", MdlCurrentGet},
      {"ProMdlDataGet", MdlDataGet},
      {"ProMdldataGet", MdlDataGet},
      {"ProMdlTypeGet", MdlTypeGet},
      {"ProMdlSubtypeGet", MdlSubtypeGet},
      {"ProMdlInit", MdlInit},
      {"ProMdlDependenciesList", MdlDependenciesList},
      {"ProMdlToModelitem", MdlToModelitem},
      {"ProMdlWindowGet", MdlWindowGet},
      {"ProSessionMdlList", SessionMdlList},
      {"ProDrawingSolidsCollect", DrawingSolidsCollect},
      {"ProAsmcompMdlGet", AsmcompMdlGet},
      {"ProAsmcompMdlNameGet", AsmcompMdlNameGet},
      {"ProWindowCurrentGet", WindowCurrentGet},
      {"ProWindowCurrentSet", WindowCurrentSet},
      {"ProWindowActivate", WindowActivate},
      {"ProWindowCurrentClose", WindowCurrentClose},
      {"ProWindowMdlGet", WindowMdlGet},
      {"ProFeatureInit", FeatureInit},
      {"ProFeatureTypeGet", FeatureTypeGet},
      {"ProFeatureTypenameGet", FeatureTypenameGet},
      {"ProFeatureSubtypeGet", FeatureSubtypeGet},
      {"ProFeatureIsNcseq", FeatureIsNcseq},
      {"ProFeatureIsIncomplete", FeatureIsIncomplete},
      {"ProFeatureIsReadonly", FeatureIsReadonly},
      {"ProFeaturePatternStatusGet", FeaturePatternStatusGet},
      {"ProFeatureGroupStatusGet", FeatureGroupStatusGet},
      {"ProFeatureGrppatternStatusGet", FeatureGrppatternStatusGet},
      {"ProFeatureStatusGet", FeatureStatusGet},
      {"ProFeatureVisibilityGet", FeatureVisibilityGet},
      {"ProFeatureDimensionVisit", FeatureDimensionVisit},
      {"ProSolidFeatstatusGet", SolidFeatstatusGet},
      {"ProSolidFailedFeatsList", SolidFailedFeatsList},
      {"ProSolidRegenerate", SolidRegenerate},
      {"ProSolidFeatVisit", SolidFeatVisit},
      {"ProDimensionSymbolGet", DimensionSymbolGet},
      {"ProDimensionSymbolSet", DimensionSymbolSet},
      {"ProDimensionValueGet", DimensionValueGet},
      {"ProDimensionValueSet", DimensionValueSet},
      {"ProDimensionTypeGet", DimensionTypeGet},
      {"ProDimensionToltypeGet", DimensionToltypeGet},
      {"ProDimensionToltypeSet", DimensionToltypeSet},
      {"ProDimensionToleranceGet", DimensionToleranceGet},
      {"ProDimensionToleranceSet", DimensionToleranceSet},
      {"ProDimensionIsReldriven", DimensionIsReldriven},
      {"ProModelitemInit", ModelitemInit},
      {"ProModelitemNameGet", ModelitemNameGet},
      {"ProModelitemNameSet", ModelitemNameSet},
      {"ProParameterInit", ParameterInit},
      {"ProParameterCreate", ParameterCreate},
      {"ProParameterDelete", ParameterDelete},
      {"ProParameterValueGet", ParameterValueGet},
      {"ProParameterValueSet", ParameterValueSet},
      {"ProParameterUnitsGet", ParameterUnitsGet},
      {"ProParameterVisit", ParameterVisit},
      {"ProModelitemToRelset", ModelitemToRelset},
      {"ProRelsetCreate", RelsetCreate},
      {"ProRelsetRelationsGet", RelsetRelationsGet},
      {"ProRelsetRelationsSet", RelsetRelationsSet},
      {"ProMessageDisplay", MessageDisplay},
      {"ProMessageToBuffer", MessageToBuffer},
      {"ProMessageArgTypes", MessageArgTypesCall},
      {"ProMessageClear", MessageClear},
      {"ProNotificationSet", NotificationSet},
      {"ProNotificationUnset", NotificationUnset},
      {"ProCmdActionAdd", CmdActionAdd},
      {"ProCmdCmdIdFind", CmdCmdIdFind},
      {"ProCmdAccessFuncAdd", CmdAccessFuncAdd},
      {"ProCmdAccessFuncRemove", CmdAccessFuncRemove},
      {"ProCmdAccessUpdate", CmdAccessUpdate},
      {"ProMenubarMenuAdd", MenubarMenuAdd},
      {"ProMenubarmenuMenuAdd", MenubarmenuMenuAdd},
      {"ProMenubarmenuPushbuttonAdd", MenubarmenuPushbuttonAdd},
  };
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

Outcome Dispatcher::Handle(ClientId client, const protocol::Message& request) {
  Outcome outcome;
  const std::string& name = request.name;
  if (name == "ctl") {
    std::vector<std::string> args;
    ControlResult r;
    try {
      args = request.body.as<std::vector<std::string>>();
    } catch (const std::exception&) {
      r.code = PRO_TK_BAD_INPUTS;
      r.text = "ctl arguments must be texts\n";
    }
    if (r.code == 0) r = Control(args);
    outcome.reply = protocol::PackReply(request.seq, r.code, "", r.text);
    outcome.events = std::move(r.events);
    outcome.exit = r.exit;
    return outcome;
  }

  Fault fault;
  bool faulted;
  int delay;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    faulted = session_.TakeFault(name, &fault);
    delay = session_.DelayOf(name);
  }
  if (delay > 0) Delay(delay);
  if (faulted) {
    outcome.reply = fault.crash ? protocol::PackReply(request.seq, PRO_TK_GENERAL_ERROR, "crash")
                                : protocol::PackReply(request.seq, fault.code, "");
    return outcome;
  }

  std::lock_guard<std::mutex> lock(mutex_);
  Call call(store_, session_, client, request.body);
  int code;
  const ClientInfo* info = session_.FindClient(client);
  auto handler = Handlers().find(name);
  if (name == "hello" && stopping_) {
    code = PRO_TK_E_BUSY;
  } else if (handler == Handlers().end()) {
    code = PRO_TK_NOT_IMPLEMENTED;
  } else if (name != "hello" && name != "ping" && name != "bye" && !(info && info->hello)) {
    code = PRO_TK_BAD_CONTEXT;  // toolkit calls need the handshake first
  } else {
    try {
      code = handler->second(call);
    } catch (const std::exception&) {
      code = PRO_TK_BAD_INPUTS;
      call.count = 0;
    }
  }
  if (code != PRO_TK_NO_ERROR && !call.keep_outs) call.count = 0;
  outcome.reply = protocol::PackReplyPacked(request.seq, code, call.count, call.outs, "");
  outcome.events = std::move(call.events);
  outcome.close = call.close;
  outcome.exit = call.exit;
  return outcome;
}

}  // namespace sim
