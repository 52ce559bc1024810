#pragma once
// Two ways for a test to have a CAD session:
//
// SimHarness runs the simulator's real server inside the test process. Connect()
// gives one end of a socketpair whose other end the server serves as a client, so
// a test (or the toolkit client) speaks the real wire with no socket file and no
// child process; Ctl() runs control actions in-process, delivering their events
// (picks, notifications) to the connected clients as `proe_sim ctl` would.
//
// SimProcess starts the real `proe_sim` binary as a child with its own TMPDIR,
// waits for its "proe_sim listening <path>" line, runs `proe_sim ctl` against it,
// and ends it on destruction (SIGTERM, then SIGKILL if it does not go, then
// waitpid). Kill() ends it like a crash.
//
// Transport and RouteTo let one table of tests run over each way a client reaches
// a session: its Unix socket, its endpoint file on TCP, or its TCP address named
// as the display with the token in the environment.
//
// WireClient is a bare client of the wire for tests of the session itself: one
// request at a time, events kept aside in arrival order.
//
// All are owned by one test thread; their members are not meant to be called
// from several threads at once (the server behind SimHarness has its own threads).
#include <memory>
#include <ostream>
#include <string>
#include <sys/types.h>
#include <vector>

#include "protocol/frame.h"
#include "protocol/message.h"
#include "protocol/methods.h"
#include "sim/server.h"
#include "tests/support/temp_dir.h"

namespace tavtest {

// The sample models of the source tree.
std::string SampleModelsDir();

struct CtlResult {
  int code = 0;        // SimHarness: 0 or a ProError; SimProcess: the exit status
  std::string output;  // SimHarness: the action's text; SimProcess: stdout then stderr
};

// Runs `command` with /bin/sh: its wait status (as pclose gives it) and what it
// wrote to its standard output.
CtlResult RunShell(const std::string& command);
// `text` as one word of a shell command.
std::string ShellQuoted(const std::string& text);
// Runs `proe_sim ctl [--display D] ARGS...` in and with the TMPDIR `tmpdir`: its
// exit status (128 + the signal when one ended it) and its output and errors.
CtlResult SimCtl(const std::string& tmpdir, const std::string& display,
                 const std::vector<std::string>& args);

class SimHarness {
 public:
  // A session with a fresh working directory and `models` ("" = the sample models)
  // on its search path; `display` ("" = a unique name) is used only by Listen().
  explicit SimHarness(const std::string& display = "", const std::string& models = "");
  ~SimHarness();  // Shutdown(), then the working directory goes
  SimHarness(const SimHarness&) = delete;
  SimHarness& operator=(const SimHarness&) = delete;

  // A new client connection: the caller owns the returned descriptor (close it to
  // disconnect). `id` receives the session's id for the connection.
  int Connect(sim::ClientId* id = nullptr);
  // Runs a ctl action in-process.
  CtlResult Ctl(const std::vector<std::string>& args);
  // Also listens on the display's socket (or on TCP, as `how` says) under the
  // current $TMPDIR (for tests that connect by display). False with the reason
  // in *error.
  bool Listen(std::string* error = nullptr, const sim::ListenOptions& how = {});
  // Ends the session: every connection receives "terminate" and is closed.
  void Shutdown();

  sim::Server& server() { return *server_; }
  const std::string& display() const { return display_; }

 private:
  TempDir working_dir_;
  std::string display_;
  std::unique_ptr<sim::Server> server_;
};

struct SimProcessOptions {
  std::string tmpdir;             // TMPDIR of the child (required: a TempDir path)
  std::string display;            // "" = the default display
  std::vector<std::string> args;  // further options: --load, --window-delay, ...
  std::string listen;             // --listen: "" = the Unix socket
};

class SimProcess {
 public:
  // Starts proe_sim in `tmpdir` and waits (up to 20 s) until it listens. Throws std::runtime_error
  // when it cannot be started or exits before listening.
  explicit SimProcess(SimProcessOptions options);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Runs `proe_sim ctl --display D ARGS...` with the child's TMPDIR.
  CtlResult Ctl(const std::vector<std::string>& args) const;
  // A socket connected to the session (the caller owns it); -1 on failure.
  int ConnectRaw() const;
  // SIGKILL and reap: the session disappears without a word.
  void Kill();
  // Waits up to `timeout_ms` for the process to end on its own (after `ctl exit`);
  // returns its wait status, or -1 if it is still running.
  int WaitExit(int timeout_ms = 10000);
  pid_t pid() const { return pid_; }
  // What its "listening" line named: the socket's path or "tcp:HOST:PORT".
  const std::string& address() const { return address_; }

 private:
  SimProcessOptions options_;
  pid_t pid_ = -1;
  int pidfd_ = -1;
  std::string address_;
};

enum class Transport { kUnixSocket, kTcpEndpointFile, kTcpAddress };
constexpr Transport kTransports[] = {Transport::kUnixSocket, Transport::kTcpEndpointFile,
                                     Transport::kTcpAddress};
std::string TransportName(Transport t);  // a test name part
inline void PrintTo(Transport t, std::ostream* os) { *os << TransportName(t); }
// The --listen address of a session on `t` ("" for the Unix socket).
std::string ListenAddressFor(Transport t);

// How a client names the session that serves `display` at `address` on `t`:
// the display itself, or for kTcpAddress the address, its token (read from the
// display's endpoint file under the current $TMPDIR) set in
// TAVPROE2_SESSION_TOKEN while the route lives.
struct SessionRoute {
  std::string display;
  std::unique_ptr<ScopedEnv> token;
  // The file that names the session to clients: socket or endpoint file.
  std::string file;
};
SessionRoute RouteTo(Transport t, const std::string& display, const std::string& address);

class WireClient {
 public:
  explicit WireClient(int fd) : fd_(fd) {}  // takes ownership
  ~WireClient() { Close(); }
  WireClient(const WireClient&) = delete;
  WireClient& operator=(const WireClient&) = delete;

  int fd() const { return fd_; }
  void Close();

  // Sends method M's request (protocol/methods.h) and returns its reply; events
  // that arrive first are kept for NextEvent. When the connection ends first, the
  // reply has code -11 (PRO_TK_COMM_ERROR) and no outputs.
  template <class M, class... A>
  protocol::Message Call(const A&... args) {
    const std::uint64_t seq = ++seq_;
    return Exchange(seq, protocol::PackRequestOf<M>(seq, typename M::Args(args...)));
  }
  // A request of any name and arguments, as a broken client may send it.
  template <class A>
  protocol::Message CallUnchecked(const std::string& name, const A& args) {
    const std::uint64_t seq = ++seq_;
    return Exchange(seq, protocol::PackRequest(seq, name, args));
  }
  // hello with protocol version 1, user "tester", this process's pid.
  protocol::Message Hello(const std::string& text_dir = "");
  // The next event, waiting for it if none is kept; false when the connection ends.
  bool NextEvent(protocol::Message* event);
  // True when the session has closed the connection (nothing but end of stream
  // remains to read; a pending frame counts as not closed).
  bool SeesEndOfStream();

 private:
  protocol::Message Exchange(std::uint64_t seq, const std::string& request);
  bool Read(protocol::Message* m);
  static protocol::Message Broken();

  int fd_;
  std::uint64_t seq_ = 0;
  std::vector<protocol::Message> events_;
};

}  // namespace tavtest
