#include "sim/session.h"

#include <ProToolkitErrors.h>
#include <ProUICmd.h>
#include <algorithm>

#include "sim/message_file.h"

namespace sim {
namespace {

MenuNode Menu(const std::string& name, const std::string& label) {
  MenuNode m;
  m.kind = MenuNode::kMenu;
  m.name = name;
  m.label = label;
  return m;
}

}  // namespace

int Command::State() const {
  int state = ACCESS_AVAILABLE;
  for (const auto& [id, s] : access) state = std::min(state, s);
  return state;
}

std::string FaultKey(const std::string& request_name) {
  if (request_name == "hello") return "ProEngineerConnect";
  if (request_name == "ping") return "ProEngineerStatusGet";
  if (request_name == "bye") return "ProEngineerDisconnect";
  if (request_name == "ProMdldataGet") return "ProMdlDataGet";
  return request_name;
}

Session::Session(SessionOptions options)
    : options_(std::move(options)),
      windows_ready_at_(std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(options_.window_delay_ms)) {
  windows_.push_back(Window{kBaseWindow, 0});
  menu_nodes_.emplace_back();  // kMenubarRoot
  for (const char* name : {"File", "Edit", "View", "Insert", "Analysis", "Info", "Applications",
                           "Tools", "Windows", "Help"})
    AddMenuNode(kMenubarRoot, Menu(name, name), nullptr, false);
  Command builtin;
  builtin.id = kBuiltinCommand;
  builtin.name = "TVProAction1";
  builtin.access[0] = ACCESS_AVAILABLE;
  commands_[builtin.id] = builtin;
  live_commands_[builtin.name] = builtin.id;
  MenuNode button;
  button.kind = MenuNode::kButton;
  button.name = "TVProAction1";
  button.label = "TVProAction1";
  button.help = "TVProAction1";
  button.command = kBuiltinCommand;
  AddMenuNode(FindMenu("Tools"), button, nullptr, false);
}

// ---- Clients -----------------------------------------------------------------------

const ClientInfo* Session::FindClient(ClientId id) const {
  auto it = clients_.find(id);
  return it == clients_.end() ? nullptr : &it->second;
}

void Session::ForgetClient(ClientId id) {
  clients_.erase(id);
  message_files_.Forget(id);
  for (auto it = access_owner_.begin(); it != access_owner_.end();) {
    if (it->second.second == id) {
      auto cmd = commands_.find(it->second.first);
      if (cmd != commands_.end()) cmd->second.access.erase(it->first);
      it = access_owner_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto& [cid, cmd] : commands_) {
    if (cmd.owner != id || !cmd.alive) continue;
    cmd.alive = false;
    live_commands_.erase(cmd.name);
  }
}

std::vector<ClientId> Session::ClientsNotifiedOf(int type) const {
  std::vector<ClientId> out;
  for (const auto& [id, c] : clients_)
    if (c.notifications.count(type)) out.push_back(id);
  return out;
}

std::vector<std::string> Session::MessageDirs(ClientId id) const {
  const ClientInfo* c = FindClient(id);
  return MessageSearchDirs(c ? c->text_dir : std::string(), options_.text_dir,
                           options_.working_dir);
}

// ---- Windows -------------------------------------------------------------------------

bool Session::WindowsReady() const { return std::chrono::steady_clock::now() >= windows_ready_at_; }

const Window* Session::FindWindow(int id) const {
  for (const Window& w : windows_)
    if (w.id == id) return &w;
  return nullptr;
}

int Session::WindowOf(int mdl) const {
  if (mdl == 0) return 0;
  for (const Window& w : windows_)
    if (w.mdl == mdl) return w.id;
  return 0;
}

int Session::Display(int mdl) {
  int id = WindowOf(mdl);
  if (id == 0) {
    if (windows_.front().mdl == 0) {
      windows_.front().mdl = mdl;
      id = kBaseWindow;
    } else {
      id = next_window_++;
      windows_.push_back(Window{id, mdl});
    }
  }
  current_ = active_ = id;
  return id;
}

bool Session::SetCurrent(int window) {
  if (!FindWindow(window)) return false;
  current_ = window;
  return true;
}

bool Session::Activate(int window) {
  if (!FindWindow(window)) return false;
  current_ = active_ = window;
  return true;
}

void Session::CloseCurrent() {
  if (current_ == kBaseWindow) {
    windows_.front().mdl = 0;
    return;
  }
  windows_.erase(std::remove_if(windows_.begin(), windows_.end(),
                                [&](const Window& w) { return w.id == current_; }),
                 windows_.end());
  if (active_ == current_) active_ = kBaseWindow;
  current_ = active_;
}

int Session::CurrentModel() const {
  if (!WindowsReady()) return 0;
  const Window* w = FindWindow(active_);
  return w ? w->mdl : 0;
}

void Session::ModelsErased(const std::vector<int>& mdls) {
  for (int mdl : mdls) {
    int id;
    while ((id = WindowOf(mdl)) != 0) {
      if (id == kBaseWindow) {
        windows_.front().mdl = 0;
        continue;
      }
      windows_.erase(std::remove_if(windows_.begin(), windows_.end(),
                                    [&](const Window& w) { return w.id == id; }),
                     windows_.end());
      if (current_ == id) current_ = kBaseWindow;
      if (active_ == id) active_ = kBaseWindow;
    }
  }
}

// ---- Commands ------------------------------------------------------------------------

int Session::AddCommand(ClientId owner, const std::string& name, int priority, int access_state,
                        int* cmd_id) {
  if (name.empty() || access_state < ACCESS_REMOVE || access_state > ACCESS_AVAILABLE)
    return PRO_TK_BAD_INPUTS;
  if (const Command* held = FindCommandByName(name)) {
    // The session runs a command's action in the client that added it last, so
    // a host that builds a menu over another's gets its picks from then on.
    if (held->owner != 0) commands_[held->id].owner = owner;
    return PRO_TK_E_FOUND;
  }
  Command c;
  c.id = next_command_++;
  c.name = name;
  c.owner = owner;
  c.priority = priority;
  c.access[0] = access_state;
  commands_[c.id] = c;
  live_commands_[c.name] = c.id;
  *cmd_id = c.id;
  return PRO_TK_NO_ERROR;
}

const Command* Session::FindCommand(int cmd_id) const {
  auto it = commands_.find(cmd_id);
  return it == commands_.end() ? nullptr : &it->second;
}

const Command* Session::FindCommandByName(const std::string& name) const {
  auto it = live_commands_.find(name);
  return it == live_commands_.end() ? nullptr : FindCommand(it->second);
}

int Session::AddAccess(ClientId owner, int cmd_id, int state, int* access_id) {
  auto it = commands_.find(cmd_id);
  if (it == commands_.end() || !it->second.alive) return PRO_TK_GENERAL_ERROR;
  if (state < ACCESS_REMOVE || state > ACCESS_AVAILABLE) return PRO_TK_GENERAL_ERROR;
  int id = next_access_++;
  it->second.access[id] = state;
  access_owner_[id] = {cmd_id, owner};
  *access_id = id;
  return PRO_TK_NO_ERROR;
}

int Session::RemoveAccess(int cmd_id, int access_id) {
  auto own = access_owner_.find(access_id);
  if (access_id <= 0 || own == access_owner_.end() || own->second.first != cmd_id)
    return PRO_TK_GENERAL_ERROR;
  commands_[cmd_id].access.erase(access_id);
  access_owner_.erase(own);
  return PRO_TK_NO_ERROR;
}

int Session::UpdateAccess(ClientId owner, int cmd_id, int access_id, int state) {
  auto it = commands_.find(cmd_id);
  if (it == commands_.end() || state < ACCESS_REMOVE || state > ACCESS_AVAILABLE)
    return PRO_TK_BAD_INPUTS;
  if (access_id == 0) {
    if (it->second.owner != owner || !it->second.alive) return PRO_TK_BAD_INPUTS;
  } else {
    auto own = access_owner_.find(access_id);
    if (own == access_owner_.end() || own->second.first != cmd_id || own->second.second != owner)
      return PRO_TK_BAD_INPUTS;
  }
  it->second.access[access_id] = state;
  return PRO_TK_NO_ERROR;
}

// ---- Menu bar ------------------------------------------------------------------------

int Session::FindMenu(const std::string& name) const {
  auto it = menus_.find(name);
  return it == menus_.end() ? -1 : it->second;
}

int Session::FindChild(int parent, const std::string& name) const {
  auto it = children_.find({parent, name});
  return it == children_.end() ? -1 : it->second;
}

bool Session::AddMenuNode(int parent, MenuNode node, const std::string* neighbor, bool after) {
  std::vector<int>& list = menu_nodes_[parent].children;
  auto at = list.end();
  if (neighbor) {
    const int near = FindChild(parent, *neighbor);
    if (near < 0) return false;
    at = std::find(list.begin(), list.end(), near) + (after ? 1 : 0);
  }
  const int index = static_cast<int>(menu_nodes_.size());
  children_.emplace(std::make_pair(parent, node.name), index);
  if (node.kind == MenuNode::kMenu) menus_.emplace(node.name, index);
  menu_nodes_.push_back(std::move(node));
  list.insert(at, index);
  return true;
}

int Session::AddTopMenu(const std::string& name, const std::string& label,
                        const std::string* neighbor, bool after) {
  if (name.empty()) return PRO_TK_BAD_INPUTS;
  if (FindChild(kMenubarRoot, name) >= 0) return PRO_TK_E_FOUND;
  return AddMenuNode(kMenubarRoot, Menu(name, label), neighbor, after) ? PRO_TK_NO_ERROR
                                                                       : PRO_TK_GENERAL_ERROR;
}

int Session::AddSubMenu(const std::string& parent, const std::string& name,
                        const std::string& label, const std::string* neighbor, bool after) {
  if (name.empty()) return PRO_TK_BAD_INPUTS;
  const int p = FindMenu(parent);
  if (p < 0) return PRO_TK_GENERAL_ERROR;
  if (FindChild(p, name) >= 0) return PRO_TK_E_FOUND;
  return AddMenuNode(p, Menu(name, label), neighbor, after) ? PRO_TK_NO_ERROR
                                                            : PRO_TK_GENERAL_ERROR;
}

int Session::AddButton(const std::string& parent, const std::string& name, const std::string& label,
                       const std::string& help, const std::string* neighbor, bool after,
                       int cmd_id) {
  if (name.empty()) return PRO_TK_BAD_INPUTS;
  const Command* cmd = FindCommand(cmd_id);
  if (!cmd || !cmd->alive) return PRO_TK_GENERAL_ERROR;
  const int p = FindMenu(parent);
  if (p < 0) return PRO_TK_GENERAL_ERROR;
  if (const int existing = FindChild(p, name); existing >= 0) {
    // A client that comes back after its commands died takes its buttons over again.
    MenuNode& old = menu_nodes_[existing];
    const Command* bound = FindCommand(old.command);
    if (old.kind != MenuNode::kButton || (bound && bound->alive)) return PRO_TK_E_FOUND;
    old.label = label;
    old.help = help;
    old.command = cmd_id;
    return PRO_TK_NO_ERROR;
  }
  MenuNode b;
  b.kind = MenuNode::kButton;
  b.name = name;
  b.label = label;
  b.help = help;
  b.command = cmd_id;
  return AddMenuNode(p, std::move(b), neighbor, after) ? PRO_TK_NO_ERROR : PRO_TK_GENERAL_ERROR;
}

bool Session::ButtonShown(const MenuNode& button) const {
  const Command* cmd = FindCommand(button.command);
  if (!cmd) return false;
  int state = cmd->State();
  return state != ACCESS_REMOVE && state != ACCESS_INVISIBLE;
}

bool Session::ButtonPickable(const MenuNode& button) const {
  const Command* cmd = FindCommand(button.command);
  return cmd && cmd->alive && cmd->State() == ACCESS_AVAILABLE;
}

// ---- Notifications and controls -------------------------------------------------------

void Session::SetNotification(ClientId id, int type, bool on) {
  if (on)
    clients_[id].notifications.insert(type);
  else
    clients_[id].notifications.erase(type);
}

void Session::SetFault(const std::string& function, const Fault& fault) {
  if (fault.count <= 0)
    faults_.erase(function);
  else
    faults_[function] = fault;
}

bool Session::TakeFault(const std::string& function, Fault* fault) {
  auto it = faults_.find(FaultKey(function));
  if (it == faults_.end()) return false;
  *fault = it->second;
  if (--it->second.count <= 0) faults_.erase(it);
  return true;
}

void Session::SetCallFault(int call, const Fault& fault) {
  call_fault_at_ = call;
  call_fault_ = fault;
}

bool Session::TakeCallFault(Fault* fault) {
  if (call_fault_at_ <= 0 || --call_fault_at_ > 0) return false;
  *fault = call_fault_;
  return true;
}

void Session::SetDelay(const std::string& function, int ms) {
  if (ms <= 0)
    delays_.erase(function);
  else
    delays_[function] = ms;
}

int Session::DelayOf(const std::string& function) const {
  auto it = delays_.find(FaultKey(function));
  return it == delays_.end() ? 0 : it->second;
}

void Session::CountCall(const std::string& function) { ++calls_[FaultKey(function)]; }

}  // namespace sim
