#pragma once
// The process-global state of the toolkit client: the one connection, the
// callbacks the application registered for it, and the termination action.
//
// Every field is guarded by ClientState::mu, which is only ever held briefly:
// never across a request, never while a callback of the application runs.
// Callbacks registered for a connection are forgotten when it is replaced or
// left; the termination action belongs to the process and stays.
#include <ProCore.h>
#include <ProToolkit.h>
#include <ProUICmd.h>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "toolkit/client/connection.h"

namespace tkclient {

constexpr std::chrono::milliseconds kDefaultRequestDeadline{30000};

struct CommandEntry {
  uiCmdCmdActFn action = nullptr;
  uiCmdAccessFn access = nullptr;   // the one given to ProCmdActionAdd, may be null
  int reported = ACCESS_AVAILABLE;  // the state the session was last told
};

struct AccessEntry {
  std::uint64_t cmd_id = 0;
  uiCmdAccessFn access = nullptr;
  int reported = ACCESS_AVAILABLE;
};

struct ClientState {
  std::mutex mu;
  std::shared_ptr<Connection> conn;  // null before the first connect / after a disconnect
  ProProcessHandle handle{};
  std::string address;  // the socket's path or "tcp:HOST:PORT"; "" for a test's stream
  ProTerminationAction term_action = nullptr;
  std::map<std::uint64_t, CommandEntry> commands;     // by command id
  std::map<std::uint64_t, AccessEntry> access_funcs;  // by access id
  std::map<int, ProFunction> notifications;           // by ProNotifyType
  std::chrono::milliseconds deadline = kDefaultRequestDeadline;

  // Forgets the callbacks of the current connection. REQUIRES: mu held.
  void ClearRegistrationsLocked() {
    commands.clear();
    access_funcs.clear();
    notifications.clear();
  }
};

ClientState& State();

// The current connection (possibly ended), or null.
std::shared_ptr<Connection> CurrentConnection();

std::chrono::milliseconds RequestDeadline();

}  // namespace tkclient
