#include "tests/support/sim_harness.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "protocol/session_path.h"
#include "protocol/session_route.h"
#include "protocol/stream_socket.h"

extern char** environ;

namespace tavtest {
namespace {

std::vector<std::string> EnvironmentWith(const std::string& name, const std::string& value) {
  std::vector<std::string> env;
  const std::string prefix = name + "=";
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, prefix.c_str(), prefix.size()) != 0) env.push_back(*e);
  env.push_back(prefix + value);
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// Starts `argv` with `env`, stdout into a pipe whose read end is returned in
// *out_fd. Returns the pid, or -1.
pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> env, const std::string& cwd,
            int* out_fd) {
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  std::vector<char*> args = Pointers(argv);
  std::vector<char*> envp = Pointers(env);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_fds[1]);
  if (rc != 0) {
    ::close(pipe_fds[0]);
    return -1;
  }
  *out_fd = pipe_fds[0];
  return pid;
}

}  // namespace

std::string TransportName(Transport t) {
  switch (t) {
    case Transport::kUnixSocket:
      return "UnixSocket";
    case Transport::kTcpEndpointFile:
      return "TcpEndpointFile";
    default:
      return "TcpAddressAndToken";
  }
}

std::string ListenAddressFor(Transport t) {
  return t == Transport::kUnixSocket ? "" : "tcp:127.0.0.1:0";
}

SessionRoute RouteTo(Transport t, const std::string& display, const std::string& address) {
  SessionRoute route;
  route.display = display;
  route.file = t == Transport::kUnixSocket ? protocol::SessionSocketPath(display)
                                           : protocol::SessionEndpointPath(display);
  if (t == Transport::kTcpAddress) {
    protocol::Endpoint e;
    std::string why;
    if (!protocol::ReadEndpointFile(route.file, &e, &why)) throw std::runtime_error(why);
    route.display = address;
    route.token = std::make_unique<ScopedEnv>(protocol::kSessionTokenVariable, e.token.c_str());
  }
  return route;
}

CtlResult RunShell(const std::string& command) {
  CtlResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return {-1, "popen failed"};
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    result.output.append(buffer, n);
  result.code = ::pclose(pipe);
  return result;
}

std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

CtlResult SimCtl(const std::string& tmpdir, const std::string& display,
                 const std::vector<std::string>& args) {
  std::string command = "cd " + ShellQuoted(tmpdir) + " && TMPDIR=" + ShellQuoted(tmpdir) +
                        " exec " + ShellQuoted(TAV_PROE_SIM) + " ctl";
  if (!display.empty()) command += " --display " + ShellQuoted(display);
  for (const std::string& arg : args) command += " " + ShellQuoted(arg);
  CtlResult result = RunShell(command + " 2>&1");
  const int status = result.code;
  result.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

std::string SampleModelsDir() { return std::string(TAV_SOURCE_DIR) + "/samples/models/"; }

// ---- SimHarness ----------------------------------------------------------------------

SimHarness::SimHarness(const std::string& display, const std::string& models) {
  static std::atomic<int> counter{0};
  display_ = display.empty()
                 ? "harness-" + std::to_string(::getpid()) + "-" + std::to_string(++counter)
                 : display;
  sim::SessionOptions so;
  so.display = display_;
  so.search_path = {models.empty() ? SampleModelsDir() : models};
  so.working_dir = working_dir_.path();
  server_ = std::make_unique<sim::Server>(so);
}

SimHarness::~SimHarness() { Shutdown(); }

int SimHarness::Connect(sim::ClientId* id) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
    throw std::runtime_error("socketpair failed");
  sim::ClientId cid = server_->Adopt(fds[0]);
  if (id) *id = cid;
  return fds[1];
}

CtlResult SimHarness::Ctl(const std::vector<std::string>& args) {
  sim::ControlResult r = server_->Control(args);
  return CtlResult{r.code, r.text};
}

bool SimHarness::Listen(std::string* error, const sim::ListenOptions& how) {
  std::string why;
  bool ok = server_->Listen(&why, how);
  if (error) *error = why;
  return ok;
}

void SimHarness::Shutdown() { server_->Shutdown(); }

// ---- SimProcess ----------------------------------------------------------------------

SimProcess::SimProcess(SimProcessOptions options) : options_(std::move(options)) {
  if (options_.tmpdir.empty()) throw std::runtime_error("SimProcess needs a tmpdir");
  std::vector<std::string> argv{TAV_PROE_SIM};
  if (!options_.display.empty()) {
    argv.push_back("--display");
    argv.push_back(options_.display);
  }
  if (!options_.listen.empty()) {
    argv.push_back("--listen");
    argv.push_back(options_.listen);
  }
  argv.insert(argv.end(), options_.args.begin(), options_.args.end());
  int out = -1;
  pid_ = Spawn(argv, EnvironmentWith("TMPDIR", options_.tmpdir), options_.tmpdir, &out);
  if (pid_ < 0) throw std::runtime_error(std::string("cannot start ") + TAV_PROE_SIM);
  pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));

  // Reads stdout until the "listening" line; the session writes nothing else there.
  std::string text;
  const std::string marker = "proe_sim listening ";
  bool ready = false;
  while (!ready) {
    pollfd p{out, POLLIN, 0};
    if (::poll(&p, 1, 20000) <= 0) break;  // a real time limit, not a pause
    char buf[512];
    ssize_t n = ::read(out, buf, sizeof buf);
    if (n <= 0) break;
    text.append(buf, static_cast<std::size_t>(n));
    std::size_t at = text.find(marker);
    std::size_t nl = at == std::string::npos ? at : text.find('\n', at);
    if (nl != std::string::npos) {
      address_ = text.substr(at + marker.size(), nl - at - marker.size());
      ready = true;
    }
  }
  ::close(out);
  if (!ready) {
    Kill();
    throw std::runtime_error("proe_sim did not start listening: " + text);
  }
}

SimProcess::~SimProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    if (WaitExit(10000) == -1) Kill();
  }
  if (pidfd_ >= 0) ::close(pidfd_);
}

CtlResult SimProcess::Ctl(const std::vector<std::string>& args) const {
  return SimCtl(options_.tmpdir, options_.display, args);
}

int SimProcess::ConnectRaw() const { return protocol::ConnectUnix(address_).release(); }

void SimProcess::Kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

int SimProcess::WaitExit(int timeout_ms) {
  if (pid_ <= 0) return -1;
  if (pidfd_ >= 0) {
    pollfd p{pidfd_, POLLIN, 0};
    if (::poll(&p, 1, timeout_ms) <= 0) return -1;
  }
  // Without a pidfd this waits without a limit; the kernels we run on have one.
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  return status;
}

// ---- WireClient ------------------------------------------------------------------------

void WireClient::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

protocol::Message WireClient::Broken() {
  protocol::Message m;
  m.kind = protocol::Kind::kReply;
  m.code = -11;
  return m;
}

bool WireClient::Read(protocol::Message* m) {
  std::string payload, why;
  if (fd_ < 0 || protocol::ReadFrame(fd_, &payload) != protocol::FrameStatus::kOk) return false;
  return protocol::Decode(payload, m, &why);
}

protocol::Message WireClient::Exchange(std::uint64_t seq, const std::string& request) {
  if (!protocol::WriteFrame(fd_, request)) return Broken();
  for (;;) {
    protocol::Message m;
    if (!Read(&m)) return Broken();
    if (m.kind == protocol::Kind::kReply && m.seq == seq) return m;
    if (m.kind == protocol::Kind::kEvent) events_.push_back(std::move(m));
  }
}

protocol::Message WireClient::Hello(const std::string& text_dir) {
  return Call<protocol::method::hello>(protocol::kProtocolVersion, "", "", "tester", text_dir,
                                       static_cast<std::int64_t>(::getpid()), "");
}

bool WireClient::NextEvent(protocol::Message* event) {
  if (!events_.empty()) {
    *event = std::move(events_.front());
    events_.erase(events_.begin());
    return true;
  }
  for (;;) {
    if (!Read(event)) return false;
    if (event->kind == protocol::Kind::kEvent) return true;
  }
}

bool WireClient::SeesEndOfStream() {
  std::string payload;
  return fd_ < 0 || protocol::ReadFrame(fd_, &payload) != protocol::FrameStatus::kOk;
}

}  // namespace tavtest
