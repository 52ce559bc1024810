#include "sim/control.h"

#include <ProToolkitErrors.h>
#include <ProUICmd.h>
#include <cstdlib>
#include <sstream>
#include <tuple>
#include <unistd.h>

#include "base/toolkit_code_name.h"
#include "protocol/frame.h"
#include "protocol/message.h"
#include "protocol/methods.h"
#include "protocol/values.h"
#include "sim/model_file.h"

namespace sim {
namespace {

constexpr int kNotifyRetrievePost = 18;  // PRO_MDL_RETRIEVE_POST
constexpr int kNotifyFileOpenOk = 53;    // PRO_FILE_OPEN_OK

ControlResult Fail(int code, const std::string& why) {
  ControlResult r;
  r.code = code;
  r.text = why + "\n";
  return r;
}

// A usage error: the ctl command tells it by the "usage: " its text starts with.
ControlResult Usage(const std::string& why) { return Fail(PRO_TK_BAD_INPUTS, "usage: " + why); }

// "PRO_TK_INVALID_FILE (-16)"
std::string CodeText(int code) {
  const char* name = base::ToolkitCodeName(code);
  return name ? name + (" (" + std::to_string(code) + ")") : "error " + std::to_string(code);
}

// A function a fault or delay can name: a request of the wire, or the toolkit
// function that a protocol request answers to.
bool IsFunction(const std::string& name) {
#define TAV_CTL_FUNCTION(Name, Args, Outs) \
  if (name == #Name && name != "ctl") return true;
  TAV_WIRE_METHODS(TAV_CTL_FUNCTION)
#undef TAV_CTL_FUNCTION
  return name != FaultKey(name) || name == "ProEngineerConnect" || name == "ProEngineerStatusGet" ||
         name == "ProEngineerDisconnect" || name == "ProMdlDataGet";
}

ControlResult Ok(const std::string& text) {
  ControlResult r;
  r.text = text;
  return r;
}

bool ParseInt(const std::string& s, long long* out) {
  if (s.empty()) return false;
  char* end = nullptr;
  long long v = std::strtoll(s.c_str(), &end, 10);
  if (*end != '\0') return false;
  *out = v;
  return true;
}

std::string ModelLabel(const Model& m) { return m.name + "." + ModelTypeText(m.type); }

std::string StateName(const Session& s, const MenuNode& button) {
  const Command* cmd = s.FindCommand(button.command);
  if (!cmd) return "none";
  if (!cmd->alive) return "dead";
  switch (cmd->State()) {
    case ACCESS_REMOVE:
      return "removed";
    case ACCESS_INVISIBLE:
      return "invisible";
    case ACCESS_UNAVAILABLE:
      return "unavailable";
    case ACCESS_DISALLOW:
      return "disallowed";
    default:
      return "available";
  }
}

// A text in double quotes, with '"' and '\\' escaped by a backslash.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

// Names are bare words unless they hold blanks (submenu names often do).
std::string NameText(const std::string& name) {
  return name.empty() || name.find_first_of(" \t\"\\") != std::string::npos ? Quoted(name) : name;
}

// Calls visit(node, depth, above) for every menu and button of the menu bar in
// menu-bar order (depth first), without recursion however deep menus nest; `above`
// is the labels of the menus above the node, each followed by '/'.
template <class Visit>
void WalkMenubar(const Session& s, Visit&& visit) {
  struct Level {
    int menu;
    std::size_t next;
    std::size_t above_size;  // of `above` without this menu's label
  };
  std::string above;
  std::vector<Level> open{{kMenubarRoot, 0, 0}};
  while (!open.empty()) {
    Level& level = open.back();
    const MenuNode& menu = s.menu_node(level.menu);
    if (level.next == menu.children.size()) {
      above.resize(level.above_size);
      open.pop_back();
      continue;
    }
    const int index = menu.children[level.next++];
    const MenuNode& n = s.menu_node(index);
    visit(n, static_cast<int>(open.size()) - 1, above);
    if (n.kind == MenuNode::kMenu) {
      const std::size_t before = above.size();
      above += n.label + "/";
      open.push_back({index, 0, before});
    }
  }
}

// Stops writing once the text is larger than a reply can carry: the reply is then
// refused as a whole, and a menu bar nested thousands deep would otherwise take
// gigabytes of indentation.
void PrintMenubar(const Session& s, std::ostringstream& out) {
  WalkMenubar(s, [&](const MenuNode& n, int depth, const std::string&) {
    if (out.tellp() > static_cast<std::streamoff>(protocol::kMaxFrameSize)) return;
    out << std::string(depth * 2, ' ');
    if (n.kind == MenuNode::kMenu) {
      out << "menu " << Quoted(n.label) << " name=" << NameText(n.name) << " shown\n";
    } else {
      out << "button " << Quoted(n.label) << " name=" << NameText(n.name)
          << " command=" << n.command << ' ' << (s.ButtonShown(n) ? "shown" : "hidden") << ' '
          << StateName(s, n) << " help=" << Quoted(n.help) << '\n';
    }
  });
}

// The shown buttons that `what` names: as a path of labels ("Menu/Sub/Button"),
// else as a label, else as a button name; each with its path.
std::vector<std::pair<const MenuNode*, std::string>> FindButtons(const Session& s,
                                                                 const std::string& what) {
  std::vector<std::pair<const MenuNode*, std::string>> by[3];
  auto visit = [&](const MenuNode& button, const std::string& path) {
    if (path == what) by[0].emplace_back(&button, path);
    if (button.label == what) by[1].emplace_back(&button, path);
    if (button.name == what) by[2].emplace_back(&button, path);
  };
  WalkMenubar(s, [&](const MenuNode& n, int, const std::string& above) {
    if (n.kind == MenuNode::kButton && s.ButtonShown(n)) visit(n, above + n.label);
  });
  for (auto& found : by)
    if (!found.empty()) return found;
  return {};
}

ControlResult Status(Store& store, Session& session) {
  std::ostringstream out;
  out << "display " << (session.options().display.empty() ? "default" : session.options().display)
      << '\n';
  out << "pid " << ::getpid() << '\n';
  out << "working-dir " << store.options().working_dir << '\n';
  out << "clients " << session.clients().size() << '\n';
  out << "models " << store.AllModels().size() << '\n';
  out << "windows " << session.windows().size() << '\n';
  out << "windows-ready " << (session.WindowsReady() ? "yes" : "no") << '\n';
  int current = session.CurrentModel();
  const Model* m = store.Find(current);
  out << "current-model " << (m ? ModelLabel(*m) : std::string("none")) << '\n';
  out << "messages " << session.messages().size() << '\n';
  return Ok(out.str());
}

ControlResult Open(Store& store, Session& session, const std::string& file) {
  int mdl = 0;
  int rc = store.Load(file, -1, &mdl, true);
  if (rc != PRO_TK_NO_ERROR) {
    // The store's reason names the file first: once is enough.
    std::string why = store.last_error();
    if (why.rfind(file + ": ", 0) == 0) why.erase(0, file.size() + 2);
    return Fail(rc, "cannot open " + file + ": " + CodeText(rc) + (why.empty() ? "" : ": " + why));
  }
  int window = session.Display(mdl);
  const Model* m = store.Find(mdl);
  std::string path;
  store.FullFileName(mdl, &path);
  ControlResult r =
      Ok("opened " + ModelLabel(*m) + " window " + std::to_string(window) + " " + path + "\n");
  std::vector<protocol::Model> arg{protocol::Model{m->name, ModelTypeText(m->type)}};
  for (ClientId id : session.ClientsNotifiedOf(kNotifyRetrievePost))
    r.events.push_back(Event{id, protocol::PackEvent("notify", kNotifyRetrievePost, arg)});
  return r;
}

ControlResult New(Store& store, Session& session, const std::string& name,
                  const std::string& type_text) {
  int type = ModelTypeFromText(type_text);
  if (type < 0) return Fail(PRO_TK_BAD_INPUTS, "unknown model type " + type_text);
  // The dialog confirms before the model exists; clients hear of it first.
  std::vector<Event> events;
  auto arg = std::make_tuple(type, DefaultModelSubtype(type), ToUpper(name));
  for (ClientId id : session.ClientsNotifiedOf(kNotifyFileOpenOk))
    events.push_back(Event{id, protocol::PackEvent("notify", kNotifyFileOpenOk, arg)});
  int mdl = 0;
  int rc = store.Create(name, type, &mdl);
  if (rc != PRO_TK_NO_ERROR) {
    ControlResult r =
        Fail(rc, "cannot create " + name + "." + ModelTypeText(type) + ": " + CodeText(rc));
    r.events = std::move(events);
    return r;
  }
  int window = session.Display(mdl);
  const Model* m = store.Find(mdl);
  ControlResult r = Ok("created " + ModelLabel(*m) + " window " + std::to_string(window) + "\n");
  r.events = std::move(events);
  return r;
}

ControlResult Pick(Session& session, const std::string& what) {
  const auto found = FindButtons(session, what);
  if (found.empty())
    return Fail(PRO_TK_E_NOT_FOUND, "no shown button labelled or named \"" + what + "\"");
  if (found.size() > 1) {
    std::string why = std::to_string(found.size()) + " shown buttons match \"" + what +
                      "\"; pick one by its path:";
    for (const auto& [button, path] : found) why += "\n  " + path;
    return Fail(PRO_TK_BAD_INPUTS, why);
  }
  const MenuNode* button = found[0].first;
  const std::string& label = button->label;
  const Command* cmd = session.FindCommand(button->command);
  if (!cmd || !cmd->alive)
    return Fail(PRO_TK_BAD_CONTEXT, "button \"" + label + "\" has no command any more");
  if (cmd->State() != ACCESS_AVAILABLE)
    return Fail(PRO_TK_BAD_CONTEXT, "button \"" + label + "\" is " + StateName(session, *button));
  if (cmd->owner == 0) {
    session.AddMessage(cmd->name);
    return Ok("picked \"" + label + "\" command " + std::to_string(cmd->id) + " builtin\n");
  }
  ControlResult r = Ok("picked \"" + label + "\" command " + std::to_string(cmd->id) + " client " +
                       std::to_string(cmd->owner) + "\n");
  r.events.push_back(Event{cmd->owner, protocol::PackEvent("command", cmd->id)});
  return r;
}

ControlResult Windows(Store& store, Session& session) {
  std::ostringstream out;
  for (const Window& w : session.windows()) {
    const Model* m = store.Find(w.mdl);
    out << "window " << w.id << ' ' << (m ? ModelLabel(*m) : std::string("empty"));
    if (w.id == session.current_window()) out << " current";
    if (w.id == session.active_window()) out << " active";
    out << '\n';
  }
  return Ok(out.str());
}

ControlResult Models(Store& store) {
  std::ostringstream out;
  for (int mdl : store.AllModels()) {
    const Model* m = store.Find(mdl);
    std::string path;
    store.FullFileName(mdl, &path);
    out << mdl << ' ' << ModelLabel(*m) << ' ' << path << '\n';
  }
  return Ok(out.str());
}

ControlResult Dump(Store& store, const std::string& what) {
  std::size_t dot = what.rfind('.');
  int type = dot == std::string::npos ? -1 : ModelTypeFromText(what.substr(dot + 1));
  if (type < 0) return Fail(PRO_TK_BAD_INPUTS, "give the model as NAME.TYPE, e.g. bracket.prt");
  int mdl = 0;
  if (store.Init(what.substr(0, dot), type, &mdl) != PRO_TK_NO_ERROR)
    return Fail(PRO_TK_E_NOT_FOUND, "no model " + what + " in memory");
  std::string text = ModelToText(*store.Find(mdl));
  if (text.empty() || text.back() != '\n') text += '\n';
  return Ok(text);
}

// `fault call K CODE|crash|kill`, `fault call off`: the K-th call from now,
// counted as `stats` counts, whatever its function.
ControlResult SetCallFault(Session& session, const std::vector<std::string>& args) {
  const std::string usage = "fault call K CODE|crash|kill | fault call off";
  if (args.size() == 3 && args[2] == "off") {
    session.SetCallFault(0, Fault{});
    return Ok("fault call off\n");
  }
  long long call = 0, code = 0;
  if (args.size() != 4) return Usage(usage);
  if (!ParseInt(args[2], &call) || call < 1 || call > 1000000)
    return Usage(usage + " (K is a number of calls from 1 to 1000000, not " + args[2] + ")");
  Fault f;
  if (args[3] == "crash") {
    f.crash = true;
  } else if (args[3] == "kill") {
    f.kill = true;
  } else if (!ParseInt(args[3], &code) || code < -99 || code > 0) {
    return Usage(usage + " (CODE is a ProError value from 0 to -99, not " + args[3] + ")");
  }
  f.code = static_cast<int>(code);
  session.SetCallFault(static_cast<int>(call), f);
  const std::string what = f.crash ? "crash" : f.kill ? "kill" : std::to_string(code);
  return Ok("fault call " + std::to_string(call) + " " + what + "\n");
}

ControlResult SetFault(Session& session, const std::vector<std::string>& args) {
  if (args.size() >= 2 && args[1] == "call") return SetCallFault(session, args);
  const std::string usage = "fault FUNCTION CODE [COUNT] | fault FUNCTION crash";
  if (args.size() < 3 || args.size() > 4) return Usage(usage);
  if (!IsFunction(args[1]))
    return Usage(usage + " (no toolkit function " + args[1] + " reaches the session)");
  Fault f;
  const std::string key = FaultKey(args[1]);
  if (args[2] == "crash") {
    if (args.size() != 3) return Usage("fault FUNCTION crash");
    f.crash = true;
    f.count = 1;
    session.SetFault(key, f);
    return Ok("fault " + key + " crash\n");
  }
  long long code = 0, count = 1;
  if (!ParseInt(args[2], &code) || code < -99 || code > 0)
    return Usage(usage + " (CODE is a ProError value from 0 to -99, not " + args[2] + ")");
  if (args.size() == 4 && (!ParseInt(args[3], &count) || count < 0 || count > 1000000))
    return Usage(usage + " (COUNT is a number of calls from 0 to 1000000, not " + args[3] + ")");
  f.code = static_cast<int>(code);
  f.count = static_cast<int>(count);
  session.SetFault(key, f);
  return Ok("fault " + key + " " + std::to_string(code) + " count " + std::to_string(count) + "\n");
}

ControlResult SetDelay(Session& session, const std::vector<std::string>& args) {
  long long ms = 0;
  if (args.size() != 3 || !ParseInt(args[2], &ms) || ms < 0 || ms > 3600000)
    return Usage("delay FUNCTION MS (MS from 0, which removes the delay, to 3600000)");
  if (!IsFunction(args[1]))
    return Usage("delay FUNCTION MS (no toolkit function " + args[1] + " reaches the session)");
  const std::string key = FaultKey(args[1]);
  session.SetDelay(key, static_cast<int>(ms));
  return Ok("delay " + key + " " + std::to_string(ms) + "\n");
}

// `stats [reset]`: the calls per function, then their total; reset starts the
// count again after printing it, so that one action measures one operation.
ControlResult Stats(Session& session, bool reset) {
  std::ostringstream out;
  long long total = 0;
  for (const auto& [function, count] : session.call_counts()) {
    out << function << ' ' << count << '\n';
    total += count;
  }
  out << "total " << total << '\n';
  if (reset) session.ResetCallCounts();
  return Ok(out.str());
}

bool Arity(const std::vector<std::string>& args, std::size_t n) { return args.size() == n; }

}  // namespace

std::string ControlUsage() {
  return "usage: proe_sim ctl [--display D] ACTION [ARGS]\n"
         "actions:\n"
         "  status                     the session's state\n"
         "  open FILE                  File > Open: load, display, make current\n"
         "  new NAME TYPE              File > New (TYPE prt, asm or drw)\n"
         "  pick BUTTON                pick a shown menu button by its path of labels\n"
         "                             (Menu/Sub/Label), its label or its name\n"
         "  exit                       end the session\n"
         "  messages                   the message area, oldest line first\n"
         "  menubar                    the menu bar tree, with names and help texts\n"
         "  windows                    the windows\n"
         "  models                     the models in memory with their files\n"
         "  dump NAME.TYPE             a model in file format\n"
         "  fault FUNCTION CODE [COUNT]  the next COUNT calls of FUNCTION fail with CODE\n"
         "  fault FUNCTION crash       the next call of FUNCTION crashes its caller\n"
         "  fault call K CODE|crash|kill  the K-th call from now, of any function, fails,\n"
         "                             crashes its caller or kills the session\n"
         "  fault call off             cancels the pending fault on the K-th call\n"
         "  delay FUNCTION MS          every call of FUNCTION waits MS first (0 ends it)\n"
         "  stats [reset]              calls per function since the start (or the last\n"
         "                             reset); reset starts counting again\n";
}

ControlResult RunControl(Store& store, Session& session, const std::vector<std::string>& args) {
  if (args.empty()) return Usage("proe_sim ctl [--display D] ACTION [ARGS] (no action given)");
  const std::string& a = args[0];
  if (a == "status" && Arity(args, 1)) return Status(store, session);
  if (a == "open" && Arity(args, 2)) return Open(store, session, args[1]);
  if (a == "new" && Arity(args, 3)) return New(store, session, args[1], args[2]);
  if (a == "pick" && Arity(args, 2)) return Pick(session, args[1]);
  if (a == "exit" && Arity(args, 1)) {
    ControlResult r = Ok("exiting\n");
    r.exit = true;
    return r;
  }
  if (a == "messages" && Arity(args, 1)) {
    std::string text;
    for (const std::string& line : session.messages()) text += line + "\n";
    return Ok(text);
  }
  if (a == "menubar" && Arity(args, 1)) {
    std::ostringstream out;
    PrintMenubar(session, out);
    return Ok(out.str());
  }
  if (a == "windows" && Arity(args, 1)) return Windows(store, session);
  if (a == "models" && Arity(args, 1)) return Models(store);
  if (a == "dump" && Arity(args, 2)) return Dump(store, args[1]);
  if (a == "fault") return SetFault(session, args);
  if (a == "delay") return SetDelay(session, args);
  if (a == "stats" && Arity(args, 1)) return Stats(session, false);
  if (a == "stats" && Arity(args, 2) && args[1] == "reset") return Stats(session, true);
  // The action's own line of the usage, when the action is known.
  std::istringstream usage(ControlUsage());
  for (std::string line; std::getline(usage, line);)
    if (line.rfind("  " + a + " ", 0) == 0) {
      const std::size_t end = line.find("  ", a.size() + 2);
      return Usage(line.substr(2, end == std::string::npos ? end : end - 2) +
                   " (proe_sim ctl --help)");
    }
  return Usage("unknown action " + a + " (proe_sim ctl --help lists them)");
}

}  // namespace sim
