#pragma once
// The `proe_sim ctl` actions: what a user does at the session (open, new, pick,
// exit) and what a test harness asks of it (status, messages, menubar, windows,
// models, dump, fault, delay, stats). Each returns a code (0 success, else a
// ProError) and a line-oriented text; docs/simulator.md lists every action and its
// output.
//
// Called by the dispatcher with its mutex held; events the action causes (command
// picks, notifications) are returned for the server to deliver after the reply.
#include <string>
#include <vector>

#include "sim/session.h"
#include "sim/store.h"

namespace sim {

// A message for one client, packed and ready to write.
struct Event {
  ClientId to = 0;
  std::string payload;
};

struct ControlResult {
  int code = 0;
  std::string text;  // lines ending with '\n'; on failure one line saying why
  std::vector<Event> events;
  bool exit = false;  // the session is to end
};

ControlResult RunControl(Store& store, Session& session, const std::vector<std::string>& args);

// The usage text of every action (what `proe_sim ctl --help` prints).
std::string ControlUsage();

}  // namespace sim
