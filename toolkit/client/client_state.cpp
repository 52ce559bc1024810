#include "toolkit/client/client_state.h"

namespace tkclient {

ClientState& State() {
  // Never destroyed, so that toolkit calls made while static objects are torn
  // down at exit still find it.
  static ClientState* state = new ClientState;
  return *state;
}

std::shared_ptr<Connection> CurrentConnection() {
  ClientState& s = State();
  std::lock_guard<std::mutex> lock(s.mu);
  return s.conn;
}

std::chrono::milliseconds RequestDeadline() {
  ClientState& s = State();
  std::lock_guard<std::mutex> lock(s.mu);
  return s.deadline;
}

}  // namespace tkclient
