#include "sim/server.h"

#include <ProConst.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/unique_fd.h"
#include "protocol/frame.h"
#include "protocol/frame_reader.h"
#include "protocol/message.h"
#include "protocol/methods.h"
#include "protocol/session_path.h"
#include "protocol/stream_socket.h"

namespace sim {

// One client connection. `fd` is written (and finally closed) only under
// `write_mutex`; -1 once closed.
struct Server::Connection {
  ClientId id = 0;
  base::UniqueFd fd;
  bool needs_token = false;
  std::mutex write_mutex;
  std::thread thread;

  bool Write(const std::string& payload) {
    std::lock_guard<std::mutex> lock(write_mutex);
    return fd.valid() && protocol::WriteFrame(fd.get(), payload);
  }
  // Wakes the reader and tells the peer the connection is over.
  void Hangup() {
    std::lock_guard<std::mutex> lock(write_mutex);
    if (fd.valid()) ::shutdown(fd.get(), SHUT_RDWR);
  }
  void Close() {
    std::lock_guard<std::mutex> lock(write_mutex);
    fd.reset();
  }
};

namespace {

StoreOptions StoreOptionsFrom(const SessionOptions& o) {
  StoreOptions s;
  s.working_dir = o.working_dir;
  s.search_path = o.search_path;
  return s;
}

SessionOptions WithWorkingDir(SessionOptions o) {
  if (o.working_dir.empty()) {
    char buf[4096];
    if (::getcwd(buf, sizeof buf)) o.working_dir = buf;
  }
  if (!o.working_dir.empty() && o.working_dir.back() != '/') o.working_dir += '/';
  return o;
}

// Whether a session answers at what the display's socket or endpoint file names
// (`path`); an answering one is "already served", a silent one stale.
bool Answers(const std::string& path, bool endpoint) {
  if (!endpoint) return protocol::ConnectUnix(path).valid();
  protocol::Endpoint e;
  std::string why;
  return protocol::ReadEndpointFile(path, &e, &why) &&
         protocol::ConnectTcp(e.address, std::chrono::milliseconds(1000), &why).valid();
}

std::string NewToken() {
  unsigned char bytes[protocol::kSessionTokenBytes];
  for (std::size_t got = 0; got < sizeof bytes;) {
    const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
    if (n > 0)
      got += static_cast<std::size_t>(n);
    else if (errno != EINTR)
      throw std::runtime_error("getrandom failed");
  }
  static const char kHex[] = "0123456789abcdef";
  std::string token;
  for (unsigned char b : bytes) {
    token += kHex[b >> 4];
    token += kHex[b & 15];
  }
  return token;
}

// Whether the first request of a TCP connection presents `token`: as the last
// argument of hello, or appended to a ctl request's args (taken off here, so the
// action sees its own arguments). Compared without an early exit.
bool PresentsToken(protocol::Message& request, const std::string& token) {
  namespace method = protocol::method;
  msgpack::object& args = request.body;
  if (request.name != method::hello::kName && request.name != method::ctl::kName) return false;
  if (args.type != msgpack::type::ARRAY || args.via.array.size == 0) return false;
  const msgpack::object& last = args.via.array.ptr[args.via.array.size - 1];
  if (last.type != msgpack::type::STR || last.via.str.size != token.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < token.size(); ++i)
    diff |= static_cast<unsigned char>(last.via.str.ptr[i] ^ token[i]);
  if (diff != 0) return false;
  if (request.name == method::ctl::kName) --args.via.array.size;
  return true;
}

// Creates the private directory of the sessions' sockets, or checks the one
// there; false with the reason.
bool PrepareSessionDirectory(std::string* error) {
  const std::string dir = protocol::SessionDirectory();
  if (::mkdir(dir.c_str(), 0700) == 0) {
    ::chmod(dir.c_str(), 0700);  // ours from the start: only the umask to undo
  } else if (errno != EEXIST) {
    *error = "cannot create " + dir + ": " + std::strerror(errno);
    return false;
  }
  // One that was there is taken as it is or refused, never repaired: whoever made
  // it could still reach into it.
  if (!protocol::SessionDirectoryIsPrivate(dir, error)) {
    *error = "refusing to listen: " + *error;
    return false;
  }
  return true;
}

}  // namespace

Server::Server(SessionOptions options)
    : store_(StoreOptionsFrom(WithWorkingDir(options))),
      session_(WithWorkingDir(options)),
      dispatcher_(store_, session_) {}

Server::~Server() { Shutdown(); }

bool Server::Listen(std::string* error, const ListenOptions& how) {
  protocol::TcpAddress tcp;
  if (!how.address.empty() && !protocol::ParseTcpAddress(how.address, &tcp)) {
    *error = "not a listen address (tcp:HOST:PORT): " + how.address;
    return false;
  }
  if (!PrepareSessionDirectory(error)) return false;
  // The display is served on one transport at a time, whichever it was.
  const std::string socket = protocol::SessionSocketPath(session_.options().display);
  const std::string endpoint = protocol::SessionEndpointPath(session_.options().display);
  for (const std::string& path : {socket, endpoint}) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) continue;
    if (Answers(path, path == endpoint)) {
      *error = "already served: " + path;
      return false;
    }
    ::unlink(path.c_str());  // stale
  }
  base::UniqueFd fd;
  if (how.address.empty()) {
    fd = protocol::ListenUnix(socket, error);
  } else {
    protocol::Endpoint e;
    fd = protocol::ListenTcp(tcp, how.allow_remote, &e.address, error);
    e.token = NewToken();
    if (fd.valid() && !protocol::WriteEndpointFile(endpoint, e, error)) fd.reset();
    if (fd.valid()) {
      token_ = e.token;
      endpoint_path_ = endpoint;
      address_ = protocol::FormatTcpAddress(e.address);
    }
  }
  if (!fd.valid()) return false;
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    ::unlink(how.address.empty() ? socket.c_str() : endpoint.c_str());
    return false;
  }
  wake_read_ = base::UniqueFd(pipe_fds[0]);
  wake_write_ = base::UniqueFd(pipe_fds[1]);
  listen_fd_ = std::move(fd);
  if (how.address.empty()) {
    socket_path_ = socket;
    address_ = socket;
  }
  accept_thread_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void Server::AcceptLoop() {
  for (;;) {
    pollfd fds[2] = {{listen_fd_.get(), POLLIN, 0}, {wake_read_.get(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    if (fds[0].revents & POLLIN) {
      base::UniqueFd fd = protocol::Accept(listen_fd_.get());
      if (fd.valid()) Adopt(fd.release(), !token_.empty());
    }
  }
}

ClientId Server::Adopt(int fd, bool needs_token) {
  ReapFinished();
  // A client that stops reading must not block the session for ever.
  timeval timeout{10, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  std::lock_guard<std::mutex> lock(mutex_);
  base::UniqueFd owned(fd);
  if (shut_down_) return 0;
  auto conn = std::make_shared<Connection>();
  conn->id = next_id_++;
  conn->fd = std::move(owned);
  conn->needs_token = needs_token;
  connections_[conn->id] = conn;
  conn->thread = std::thread([this, conn] { Serve(conn); });
  return conn->id;
}

void Server::Serve(std::shared_ptr<Connection> conn) {
  int fd;
  {
    std::lock_guard<std::mutex> lock(conn->write_mutex);
    fd = conn->fd.get();
  }
  protocol::FrameReader frames;
  bool needs_token = conn->needs_token;
  for (;;) {
    std::string payload;
    if (frames.Next(fd, &payload) != protocol::FrameStatus::kOk) break;
    protocol::Message request;
    std::string why;
    if (!protocol::Decode(payload, &request, &why) || request.kind != protocol::Kind::kRequest)
      break;
    if (needs_token && !PresentsToken(request, token_)) {
      std::fprintf(stderr, "proe_sim: refused a connection from %s: no valid session token\n",
                   protocol::PeerName(fd).c_str());
      break;
    }
    needs_token = false;
    Outcome outcome = dispatcher_.Handle(conn->id, request);
    // A kill fault stands for the CAD system crashing in the call: no answer, no
    // terminate event, the socket file left behind.
    if (outcome.die) ::raise(SIGKILL);
    // Events first: a caller that has its answer (a `ctl pick`, say) may rely on
    // the event already being on its way to the client it concerns.
    Deliver(outcome.events);
    bool written = conn->Write(outcome.reply);
    if (outcome.exit) RequestExit();
    if (!written || outcome.close) break;
  }
  dispatcher_.Forget(conn->id);
  conn->Close();
  std::lock_guard<std::mutex> lock(mutex_);
  connections_.erase(conn->id);
  finished_.push_back(conn);
}

void Server::Deliver(const std::vector<Event>& events) {
  for (const Event& e : events) {
    std::shared_ptr<Connection> target;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = connections_.find(e.to);
      if (it != connections_.end()) target = it->second;
    }
    if (target && !target->Write(e.payload)) target->Hangup();
  }
}

void Server::ReapFinished() {
  std::vector<std::shared_ptr<Connection>> done;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    done.swap(finished_);
  }
  for (auto& c : done)
    if (c->thread.joinable()) c->thread.join();
}

ControlResult Server::Control(const std::vector<std::string>& args) {
  ControlResult r = dispatcher_.Control(args);
  Deliver(r.events);
  if (r.exit) RequestExit();
  return r;
}

void Server::RequestExit() { exit_requested_.store(true); }

bool Server::exit_requested() const { return exit_requested_.load(); }

void Server::Shutdown() {
  std::vector<std::shared_ptr<Connection>> live;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (shut_down_) return;
    shut_down_ = true;
    for (auto& [id, c] : connections_) live.push_back(c);
  }
  dispatcher_.Stop();
  if (accept_thread_.joinable()) {
    char b = 1;
    ssize_t w = ::write(wake_write_.get(), &b, 1);
    (void)w;
    accept_thread_.join();
  }
  if (listen_fd_.valid()) {
    listen_fd_.reset();
    ::unlink((token_.empty() ? socket_path_ : endpoint_path_).c_str());
  }
  wake_read_.reset();
  wake_write_.reset();
  const std::string terminate = protocol::PackEvent("terminate", static_cast<int>(PROTERM_EXIT));
  for (auto& c : live) {
    c->Write(terminate);
    c->Hangup();
  }
  for (auto& c : live)
    if (c->thread.joinable()) c->thread.join();
  ReapFinished();
  RequestExit();
}

}  // namespace sim
