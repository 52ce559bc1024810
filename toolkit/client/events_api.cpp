// Events and callbacks: ProEventProcess, ProTermFuncSet, notifications,
// command actions and access functions.
#include <ProCore.h>
#include <ProNotify.h>
#include <ProUICmd.h>
#include <cstdio>
#include <cstring>
#include <vector>

#include "toolkit/client/c_edge.h"
#include "toolkit/client/call.h"
#include "toolkit/client/callbacks.h"
#include "toolkit/client/client_state.h"
#include "toolkit/client/wide_text.h"
#include "toolkit/client/wire_types.h"

namespace tkclient {

void LogCallbackException(std::exception_ptr raised) {
  try {
    std::rethrow_exception(raised);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "toolkit client: callback raised: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "toolkit client: callback raised: an exception of unknown type\n");
  }
}

int EvaluateAccess(uiCmdAccessFn fn, int previous) {
  if (!fn) return ACCESS_AVAILABLE;
  return RunCallback(previous, [&] { return static_cast<int>(fn(MODE_BLIND)); });
}

namespace {

void RunTermination(int status) {
  ProTerminationAction action;
  {
    ClientState& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    action = s.term_action;
  }
  if (action)
    RunCallback(PRO_TK_GENERAL_ERROR,
                [&] { return action(static_cast<ProeTerminationStatus>(status)); });
}

void RunCommand(const Event& e) {
  const std::uint64_t id = protocol::Arg<std::uint64_t>(e.message.body, 0);
  uiCmdCmdActFn action = nullptr;
  {
    ClientState& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    auto it = s.commands.find(id);
    if (it != s.commands.end()) action = it->second.action;
  }
  if (action) RunCallback(0, [&] { return action(IdFromWire(id), nullptr, nullptr); });
}

// Notifications are registered as the generic ProFunction; they are called
// through their event's own type (via void(*)(), the generic function type).
template <class F>
F As(ProFunction fn) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(fn));
}

// Calls the notification `fn` of `type` with the arguments its type takes.
void CallNotification(int type, ProFunction fn, const msgpack::object& args) {
  const auto call = [&](auto&& invoke) { RunCallback(PRO_TK_GENERAL_ERROR, invoke); };
  switch (type) {
    case PRO_FILE_OPEN_OK: {
      const int mdl_type = protocol::Arg<int>(args, 0);
      const int subtype = protocol::Arg<int>(args, 1);
      ProName name;
      CopyToWide(protocol::Arg<std::string>(args, 2), name, PRO_NAME_SIZE);
      auto f = As<ProFileOpenOKAction>(fn);
      call([&] { return f(static_cast<ProMdlType>(mdl_type), subtype, name); });
      break;
    }
    case PRO_MDL_RETRIEVE_POST:
    case PRO_MDL_CREATE_POST:
    case PRO_MDL_DELETE_POST: {
      ProModel model;
      ModelFromWire(protocol::Arg<protocol::Model>(args, 0), &model);
      auto f = As<ProMdlRetrievePostAction>(fn);
      call([&] { return f(&model); });
      break;
    }
    case PRO_MDL_SAVE_POST:
    case PRO_MDL_DELETE_POST_ALL: {
      ProMdldata data;
      ModelDataFromWire(protocol::Arg<protocol::ModelData>(args, 0), &data);
      auto f = As<ProMdlSavePostAction>(fn);
      call([&] { return f(&data); });
      break;
    }
    case PRO_MDL_DISPLAY_PRE: {
      ProMdl mdl = MdlFromWire(protocol::Arg<protocol::ModelHandle>(args, 0));
      auto f = As<ProMdlDisplayPreAction>(fn);
      call([&] { return f(mdl); });
      break;
    }
    case PRO_DIRECTORY_CHANGE_POST: {
      ProPath path;
      CopyToWide(protocol::Arg<std::string>(args, 0), path, PRO_PATH_SIZE);
      auto f = As<ProDirectoryChangePostAction>(fn);
      call([&] { return f(path); });
      break;
    }
    case PRO_FEATURE_CREATE_POST:
    case PRO_FEATURE_DELETE_POST: {
      ProFeature feature = ItemFromWire(protocol::Arg<protocol::Item>(args, 0));
      auto f = As<ProFeatureCreatePostAction>(fn);
      call([&] { return f(&feature); });
      break;
    }
    default:
      // Events without arguments (erase, window change, ...); others are not
      // delivered, since their arguments would be guessed.
      if (protocol::ArgCount(args) == 0) call([&] { return fn(); });
      break;
  }
}

void RunNotification(const Event& e) {
  const int type = protocol::Arg<int>(e.message.body, 0);
  ProFunction fn = nullptr;
  {
    ClientState& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    auto it = s.notifications.find(type);
    if (it != s.notifications.end()) fn = it->second;
  }
  if (!fn) return;
  const msgpack::object empty;
  CallNotification(
      type, fn, protocol::ArgCount(e.message.body) > 1 ? e.message.body.via.array.ptr[1] : empty);
}

void RunEvent(const Event& e) {
  if (e.name == "terminate") {
    RunTermination(e.term_status);
    return;
  }
  try {
    if (e.name == "command")
      RunCommand(e);
    else if (e.name == "notify")
      RunNotification(e);
  } catch (const std::exception& ex) {
    // Only argument decoding throws here; callbacks are guarded themselves.
    std::fprintf(stderr, "toolkit client: malformed \"%s\" event ignored: %s\n", e.name.c_str(),
                 ex.what());
  }
}

// Asks every access function again and tells the session what changed.
void ReevaluateAccess() {
  struct Entry {
    std::uint64_t cmd_id, access_id;
    uiCmdAccessFn fn;
    int reported;
  };
  std::vector<Entry> entries;
  {
    ClientState& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    for (const auto& [id, c] : s.commands)
      if (c.access) entries.push_back({id, 0, c.access, c.reported});
    for (const auto& [id, a] : s.access_funcs)
      entries.push_back({a.cmd_id, id, a.access, a.reported});
  }
  for (const Entry& entry : entries) {
    const int now = EvaluateAccess(entry.fn, entry.reported);
    if (now == entry.reported) continue;
    if (InvokeCode<method::ProCmdAccessUpdate>(entry.cmd_id, entry.access_id, now) !=
        PRO_TK_NO_ERROR)
      continue;
    ClientState& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    if (entry.access_id == 0) {
      auto it = s.commands.find(entry.cmd_id);
      if (it != s.commands.end()) it->second.reported = now;
    } else {
      auto it = s.access_funcs.find(entry.access_id);
      if (it != s.access_funcs.end()) it->second.reported = now;
    }
  }
}

}  // namespace
}  // namespace tkclient

using namespace tkclient;

extern "C" {

void ProEventProcess(void) try {
  std::shared_ptr<Connection> conn = CurrentConnection();
  if (!conn) return;
  // One at a time, so that a callback may itself process events or make
  // calls, and events arriving meanwhile still run in order.
  while (std::optional<Event> e = conn->PopEvent()) RunEvent(*e);
  if (conn->alive()) ReevaluateAccess();
}
TAV_C_EDGE_VOID

ProError ProTermFuncSet(ProTerminationAction term_function) try {
  ClientState& s = State();
  std::lock_guard<std::mutex> lock(s.mu);
  s.term_action = term_function;
  return PRO_TK_NO_ERROR;
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProNotificationSet(ProNotifyType type, ProFunction notify_function) try {
  return Guarded([&] {
    const ProError e =
        InvokeCode<method::ProNotificationSet>(static_cast<int>(type), notify_function ? 1 : 0);
    if (e != PRO_TK_NO_ERROR) return e;
    ClientState& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    if (notify_function)
      s.notifications[static_cast<int>(type)] = notify_function;
    else
      s.notifications.erase(static_cast<int>(type));
    return PRO_TK_NO_ERROR;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProNotificationUnset(ProNotifyType type) try {
  return Guarded([&] {
    const ProError e = InvokeCode<method::ProNotificationUnset>(static_cast<int>(type));
    if (e != PRO_TK_NO_ERROR) return e;
    ClientState& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    s.notifications.erase(static_cast<int>(type));
    return PRO_TK_NO_ERROR;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProCmdActionAdd(char* action_name, uiCmdCmdActFn action_cb, uiCmdPriority priority,
                         uiCmdAccessFn access_func, ProBoolean allow_in_non_active_window,
                         ProBoolean allow_in_accessory_window, uiCmdCmdId* action_id) try {
  if (!action_name || !action_cb || !action_id) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    const int state = EvaluateAccess(access_func, ACCESS_AVAILABLE);
    protocol::CommandId id = 0;
    const ProError e = InvokeOne<method::ProCmdActionAdd>(
        &id, std::string(action_name), static_cast<int>(priority), state,
        allow_in_non_active_window ? 1 : 0, allow_in_accessory_window ? 1 : 0);
    if (e == PRO_TK_E_FOUND) {
      // The session now runs the existing command's action here: this callback
      // answers its picks.
      if (InvokeOne<method::ProCmdCmdIdFind>(&id, std::string(action_name)) == PRO_TK_NO_ERROR) {
        ClientState& s = State();
        std::lock_guard<std::mutex> lock(s.mu);
        s.commands[id] = CommandEntry{action_cb, access_func, state};
      }
      return e;
    }
    if (e != PRO_TK_NO_ERROR) return e;
    {
      ClientState& s = State();
      std::lock_guard<std::mutex> lock(s.mu);
      s.commands[id] = CommandEntry{action_cb, access_func, state};
    }
    *action_id = IdFromWire(id);
    return PRO_TK_NO_ERROR;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProCmdCmdIdFind(char* cmd_name, uiCmdCmdId* cmd_id) try {
  if (!cmd_name || !cmd_id) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    protocol::CommandId id = 0;
    const ProError e = InvokeOne<method::ProCmdCmdIdFind>(&id, std::string(cmd_name));
    if (e == PRO_TK_NO_ERROR) *cmd_id = IdFromWire(id);
    return e;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProCmdAccessFuncAdd(uiCmdCmdId cmd_id, uiCmdAccessFn access_func,
                             uiCmdAccessId* access_id) try {
  if (!cmd_id || !access_func || !access_id) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    const int state = EvaluateAccess(access_func, ACCESS_AVAILABLE);
    protocol::CommandId id = 0;
    const ProError e = InvokeOne<method::ProCmdAccessFuncAdd>(&id, IdToWire(cmd_id), state);
    if (e != PRO_TK_NO_ERROR) return e;
    {
      ClientState& s = State();
      std::lock_guard<std::mutex> lock(s.mu);
      s.access_funcs[id] = AccessEntry{IdToWire(cmd_id), access_func, state};
    }
    *access_id = IdFromWire(id);
    return PRO_TK_NO_ERROR;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProCmdAccessFuncRemove(uiCmdCmdId cmd_id, uiCmdAccessId access_id) try {
  if (!cmd_id || !access_id) return PRO_TK_BAD_INPUTS;
  return Guarded([&] {
    const ProError e =
        InvokeCode<method::ProCmdAccessFuncRemove>(IdToWire(cmd_id), IdToWire(access_id));
    if (e != PRO_TK_NO_ERROR) return e;
    ClientState& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    s.access_funcs.erase(IdToWire(access_id));
    return PRO_TK_NO_ERROR;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

}  // extern "C"
