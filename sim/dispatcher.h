#pragma once
// Request to reply: decodes one request of the wire (docs/protocol.md), runs it on
// the model store and the session state, and packs the reply. Every method of
// protocol/methods.h (the toolkit functions the protocol carries and its own
// requests: hello, ping, bye, ProMessageArgTypes, ProCmdAccessUpdate) and "ctl"
// are answered here, each decoded and answered through its definition there, so
// the whole session can be driven without sockets.
//
// Every request but "ctl" is counted for `ctl stats`, and by the same count for
// a fault on the k-th call. Order of checks for a request: an injected fault (the
// k-th call's, else the function's: its code, the "crash" directive, or for the
// k-th call the process's death), then a configured delay (slept without the
// lock), then the handshake (toolkit functions need a hello on the connection),
// then the function itself. Arguments of the wrong shape give PRO_TK_BAD_INPUTS;
// an unknown function gives PRO_TK_NOT_IMPLEMENTED.
//
// Threads: Handle, Control and Forget may be called from any thread at once; one
// mutex serialises every use of the store and the session. The dispatcher does not
// own them.
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "protocol/message.h"
#include "sim/control.h"
#include "sim/session.h"
#include "sim/store.h"

namespace sim {

struct Outcome {
  std::string reply;          // the packed reply
  std::vector<Event> events;  // to write after the reply, to their clients
  bool close = false;         // bye: close the connection after the reply
  bool exit = false;          // ctl exit or ProEngineerEnd: the session ends
  bool die = false;           // a kill fault: the process dies, nothing is answered
};

class Dispatcher {
 public:
  Dispatcher(Store& store, Session& session);

  // REQUIRES: request.kind is kRequest.
  Outcome Handle(ClientId client, const protocol::Message& request);
  // Runs a ctl action as a "ctl" request would.
  ControlResult Control(const std::vector<std::string>& args);
  // The client's connection is gone.
  void Forget(ClientId client);
  // Ends waiting delays at once and makes later hellos answer PRO_TK_E_BUSY.
  void Stop();

  // Runs `fn(store, session)` under the dispatcher's lock (tests and tools).
  template <class F>
  auto WithLock(F&& fn) {
    std::lock_guard<std::mutex> lock(mutex_);
    return fn(store_, session_);
  }

 private:
  void Delay(int ms);

  Store& store_;
  Session& session_;
  std::mutex mutex_;
  std::condition_variable stop_cv_;
  bool stopping_ = false;
};

}  // namespace sim
