#pragma once
// The state of the simulated CAD session beyond its models: the clients connected to
// it, windows and the current model, the message area, the menu bar with its
// commands and access states, notification registrations, and the test controls
// (injected faults and delays). Models themselves live in sim::Store; windows hold
// only their handles.
//
// Windows: the base window (id 1) exists from the start and is never closed; it is
// empty or shows one model. Displaying a model that has no window puts it into the
// empty base window, else into a new window (ids 2, 3, ... never reused); the
// window that receives a model becomes current and active. The toolkit's "current
// window" (ProWindowCurrentGet/Set) and the active window (ProWindowActivate, the one
// the user works in) are kept apart as the toolkit documents: the current model is
// the model of the active window.
//
// Menu bar: top menus File, Edit, View, Insert, Analysis, Info, Applications, Tools,
// Windows, Help; the built-in command TVProAction1 (command id 1) has a button on
// Tools. A button is shown unless the most restrictive access state of its command
// (the state given with ProCmdActionAdd and those of its access functions) is
// ACCESS_REMOVE or ACCESS_INVISIBLE; it can be picked only when that state is
// ACCESS_AVAILABLE and its command still exists.
//
// Threads: not thread-safe. The dispatcher holds its mutex around every use.
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "sim/message_file.h"

namespace sim {

using ClientId = std::uint64_t;  // a connection; 0 is the session itself

struct SessionOptions {
  std::string display;                   // "" is the default display
  std::vector<std::string> search_path;  // model directories after the working dir
  std::string text_dir;                  // message-file fallback after the client's
  std::string working_dir;               // ends with '/'; "" = the process's cwd
  int window_delay_ms = 0;               // no current window for this long after start
};

struct ClientInfo {
  bool hello = false;
  std::string display, user, text_dir;
  long long pid = 0;
  std::set<int> notifications;  // registered ProNotifyType values
};

struct Window {
  int id = 0;
  int mdl = 0;  // 0: empty
};

struct Command {
  int id = 0;
  std::string name;
  ClientId owner = 0;  // 0: built into the session
  int priority = 0;
  bool alive = true;          // false once its client has gone
  std::map<int, int> access;  // access id -> state; id 0 is ProCmdActionAdd's
  int State() const;          // the most restrictive state
};

// A menu or button of the menu bar. Nodes refer to their entries by index into
// the session's node table, so that no walk or destruction recurses, however deep
// clients nest their menus.
struct MenuNode {
  enum Kind { kMenu, kButton };
  Kind kind = kMenu;
  std::string name;
  std::string label;          // as shown: resolved from the message file
  std::string help;           // buttons
  int command = 0;            // buttons
  std::vector<int> children;  // menus: their entries in order, as node indexes
};

struct Fault {
  int code = 0;
  int count = 0;
  bool crash = false;
  bool kill = false;  // the session process dies instead of answering
};

constexpr int kBaseWindow = 1;
constexpr int kBuiltinCommand = 1;  // TVProAction1
constexpr int kMenubarRoot = 0;     // the node whose children are the top menus

class Session {
 public:
  explicit Session(SessionOptions options);

  const SessionOptions& options() const { return options_; }

  // ---- Clients ------------------------------------------------------------------
  ClientInfo& Client(ClientId id) { return clients_[id]; }
  const std::map<ClientId, ClientInfo>& clients() const { return clients_; }
  const ClientInfo* FindClient(ClientId id) const;
  // Forgets a client that said bye or disconnected: its notifications, its access
  // functions; its commands stay named but dead (their buttons can no longer run).
  void ForgetClient(ClientId id);
  std::vector<ClientId> ClientsNotifiedOf(int type) const;
  // Directories searched for a client's message files.
  std::vector<std::string> MessageDirs(ClientId id) const;
  MessageFileCache& message_files() { return message_files_; }

  // ---- Windows --------------------------------------------------------------------
  // False during the start-up window delay.
  bool WindowsReady() const;
  const std::vector<Window>& windows() const { return windows_; }
  const Window* FindWindow(int id) const;
  int WindowOf(int mdl) const;  // 0 when no window shows it
  // Shows `mdl`: its own window, the empty base window, or a new window; that window
  // becomes current and active. Returns its id.
  int Display(int mdl);
  int current_window() const { return current_; }
  int active_window() const { return active_; }
  bool SetCurrent(int window);  // false: no such window
  bool Activate(int window);    // current and active
  // ProWindowCurrentClose: empties the base window, closes any other.
  void CloseCurrent();
  // The model of the active window (0: none, or windows not ready yet).
  int CurrentModel() const;
  // Models that left memory: their windows close (the base window empties).
  void ModelsErased(const std::vector<int>& mdls);

  // ---- Message area -------------------------------------------------------------
  void AddMessage(const std::string& line) { messages_.push_back(line); }
  const std::vector<std::string>& messages() const { return messages_; }

  // ---- Commands and menu bar -----------------------------------------------------
  // Codes are ProError values. A name that a live command holds is PRO_TK_E_FOUND;
  // unless the command is built in, `owner` then runs its action from now on.
  int AddCommand(ClientId owner, const std::string& name, int priority, int access_state,
                 int* cmd_id);
  const Command* FindCommand(int cmd_id) const;
  const Command* FindCommandByName(const std::string& name) const;  // live ones only
  int AddAccess(ClientId owner, int cmd_id, int state, int* access_id);
  int RemoveAccess(int cmd_id, int access_id);
  int UpdateAccess(ClientId owner, int cmd_id, int access_id, int state);

  // The menu bar's nodes: kMenubarRoot and every menu and button ever added.
  const MenuNode& menu_node(int index) const { return menu_nodes_[index]; }
  int menu_node_count() const { return static_cast<int>(menu_nodes_.size()); }
  // `label`/`help` are already resolved. PRO_TK_E_FOUND for a name in use (a button
  // whose command died is re-bound instead); PRO_TK_GENERAL_ERROR for an unknown
  // parent or neighbour. Each takes logarithmic time, whatever the size of the
  // menu bar, when no neighbour is named.
  int AddTopMenu(const std::string& name, const std::string& label, const std::string* neighbor,
                 bool after);
  int AddSubMenu(const std::string& parent, const std::string& name, const std::string& label,
                 const std::string* neighbor, bool after);
  int AddButton(const std::string& parent, const std::string& name, const std::string& label,
                const std::string& help, const std::string* neighbor, bool after, int cmd_id);
  bool ButtonShown(const MenuNode& button) const;
  bool ButtonPickable(const MenuNode& button) const;

  // ---- Notifications ------------------------------------------------------------
  void SetNotification(ClientId id, int type, bool on);

  // ---- Test controls ---------------------------------------------------------------
  void SetFault(const std::string& function, const Fault& fault);
  // The fault that applies to this call of `function` (consuming one count).
  bool TakeFault(const std::string& function, Fault* fault);
  // A fault on the `call`-th counted call from now, whatever its function; a new
  // one replaces the pending one, `call` 0 cancels it.
  void SetCallFault(int call, const Fault& fault);
  // Counts one call towards the pending call fault; true when this is its call.
  bool TakeCallFault(Fault* fault);
  void SetDelay(const std::string& function, int ms);
  int DelayOf(const std::string& function) const;
  // Calls per function (under its FaultKey) since the start or the last reset:
  // what benchmarks compare an operation's time against.
  void CountCall(const std::string& function);
  const std::map<std::string, long long>& call_counts() const { return calls_; }
  void ResetCallCounts() { calls_.clear(); }

 private:
  int FindMenu(const std::string& name) const;               // -1: none
  int FindChild(int parent, const std::string& name) const;  // -1: none
  // Adds `node` to `parent`'s entries next to `neighbor` (at the end without one);
  // false, adding nothing, when the neighbour is named but absent.
  bool AddMenuNode(int parent, MenuNode node, const std::string* neighbor, bool after);

  SessionOptions options_;
  std::chrono::steady_clock::time_point windows_ready_at_;
  std::map<ClientId, ClientInfo> clients_;
  std::vector<Window> windows_;
  int next_window_ = 2;
  int current_ = kBaseWindow;
  int active_ = kBaseWindow;
  std::vector<std::string> messages_;
  MessageFileCache message_files_;
  std::map<int, Command> commands_;
  std::map<std::string, int> live_commands_;  // name -> id of its live command
  int next_command_ = 2;
  std::map<int, std::pair<int, ClientId>> access_owner_;  // access id -> (cmd, client)
  int next_access_ = 1;
  std::deque<MenuNode> menu_nodes_;                      // [kMenubarRoot] is the bar
  std::map<std::pair<int, std::string>, int> children_;  // (parent, name) -> node
  std::map<std::string, int> menus_;                     // name -> its first menu
  std::map<std::string, Fault> faults_;
  int call_fault_at_ = 0;  // calls until the call fault, counting this one; 0: none
  Fault call_fault_;
  std::map<std::string, int> delays_;
  std::map<std::string, long long> calls_;
};

// The name a fault or delay is stored under: the protocol requests answer to the
// toolkit functions they carry (hello to ProEngineerConnect, ping to
// ProEngineerStatusGet, bye to ProEngineerDisconnect).
std::string FaultKey(const std::string& request_name);

}  // namespace sim
