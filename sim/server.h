#pragma once
// The session process's server: it owns the model store, the session state and the
// dispatcher, listens on the display's Unix socket, and serves every connection on
// a thread of its own: read a frame, dispatch it, write the reply, then deliver the
// events the request caused to their clients.
//
// Socket: `<temp dir>/proe-sim-<uid>/<display or "default">.sock` (a '/' in the
// display becomes "%2F"), in a directory of mode 0700 that it creates. A directory
// that was already there and is not this user's with mode 0700
// (protocol::SessionDirectoryIsPrivate) makes Listen fail. A socket file there
// that nobody answers is stale and replaced; one that answers makes Listen fail
// with "already served".
//
// On TCP (ListenOptions::address "tcp:HOST:PORT") it draws a random token, writes
// the display's endpoint file (protocol/session_path.h) into that same directory
// and serves connections whose first request presents the token (the last
// argument of hello, or appended to a ctl request's); any other first request
// closes the connection unanswered, and the peer is named on standard error.
// A socket or endpoint file of the display whose session answers makes Listen
// fail with "already served"; Shutdown removes what Listen wrote.
//
// A frame that is too large or does not decode to a request closes that connection
// only. A connection that ends (bye, close, error) is forgotten by the session: its
// notifications and access functions go away, its commands die. A request that
// meets a kill fault kills the whole process (SIGKILL), also when the server runs
// inside a test: use that fault on a proe_sim process only.
//
// Threads: every public member may be called from any thread, except that
// Shutdown must not be called from a connection's own thread (it joins them).
// Replies and events to one connection are written under that connection's write
// mutex, so they never interleave.
#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_fd.h"
#include "sim/control.h"
#include "sim/dispatcher.h"
#include "sim/session.h"
#include "sim/store.h"

namespace sim {

struct ListenOptions {
  std::string address;        // "" for the display's Unix socket, else "tcp:HOST:PORT"
  bool allow_remote = false;  // TCP on an address other than a loopback one
};

class Server {
 public:
  // `options.working_dir` empty means the process's current directory.
  explicit Server(SessionOptions options);
  ~Server();  // Shutdown()
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds the display's socket (or the TCP address) and starts accepting. False
  // with a reason when it cannot be made or another session serves the display.
  bool Listen(std::string* error, const ListenOptions& how = {});
  const std::string& socket_path() const { return socket_path_; }  // "" on TCP
  // Where clients reach it: the socket's path, or "tcp:HOST:PORT" with the port bound.
  const std::string& address() const { return address_; }

  // Serves `fd` (one end of a connected stream, e.g. a socketpair) as a client
  // connection; takes ownership of it. Returns the connection's id (0 after
  // Shutdown, when the descriptor is closed at once).
  // `needs_token`: the connection's first request must present the token.
  ClientId Adopt(int fd, bool needs_token = false);

  // Runs a ctl action in-process exactly as a "ctl" request would, delivering the
  // events it causes. An `exit` action requests the exit (see RequestExit).
  ControlResult Control(const std::vector<std::string>& args);

  // Asks the session to end (`ctl exit`, ProEngineerEnd); main's loop sees it
  // through exit_requested() and calls Shutdown.
  void RequestExit();
  bool exit_requested() const;

  // Ends the session: sends "terminate" with PROTERM_EXIT to every connection,
  // closes them, stops listening (removing the socket file) and joins every
  // thread. Safe to call more than once.
  void Shutdown();

  Dispatcher& dispatcher() { return dispatcher_; }

 private:
  struct Connection;

  void AcceptLoop();
  void Serve(std::shared_ptr<Connection> conn);
  void Deliver(const std::vector<Event>& events);
  void ReapFinished();

  Store store_;
  Session session_;
  Dispatcher dispatcher_;
  std::string socket_path_;
  std::string endpoint_path_;  // written on TCP only
  std::string address_;
  std::string token_;  // "" on the Unix socket: the directory keeps strangers out
  base::UniqueFd listen_fd_;
  base::UniqueFd wake_read_, wake_write_;  // a byte on wake_write_ ends the accept loop
  std::thread accept_thread_;

  mutable std::mutex mutex_;
  std::map<ClientId, std::shared_ptr<Connection>> connections_;
  std::vector<std::shared_ptr<Connection>> finished_;
  ClientId next_id_ = 1;
  bool shut_down_ = false;

  std::atomic<bool> exit_requested_{false};
};

}  // namespace sim
