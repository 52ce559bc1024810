#include "sim/server.h"

#include <ProConst.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "base/unique_fd.h"
#include "protocol/frame.h"
#include "protocol/frame_reader.h"
#include "protocol/message.h"
#include "protocol/session_path.h"

namespace sim {

// One client connection. `fd` is written (and finally closed) only under
// `write_mutex`; -1 once closed.
struct Server::Connection {
  ClientId id = 0;
  base::UniqueFd fd;
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

bool MakeSocketAddress(const std::string& path, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  if (path.size() >= sizeof addr->sun_path) return false;
  std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Whether a session answers on `path`.
bool Answers(const sockaddr_un& addr) {
  const base::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  return fd.valid() &&
         ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
}

}  // namespace

Server::Server(SessionOptions options)
    : store_(StoreOptionsFrom(WithWorkingDir(options))),
      session_(WithWorkingDir(options)),
      dispatcher_(store_, session_) {}

Server::~Server() { Shutdown(); }

bool Server::Listen(std::string* error) {
  const std::string path = protocol::SessionSocketPath(session_.options().display);
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
  struct stat st;
  sockaddr_un addr;
  if (!MakeSocketAddress(path, &addr)) {
    *error = "socket path too long: " + path;
    return false;
  }
  if (::lstat(path.c_str(), &st) == 0) {
    if (Answers(addr)) {
      *error = "already served: " + path;
      return false;
    }
    ::unlink(path.c_str());  // stale
  }
  base::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.valid()) {
    *error = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(fd.get(), 64) != 0) {
    *error = "cannot listen on " + path + ": " + std::strerror(errno);
    return false;
  }
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    ::unlink(path.c_str());
    return false;
  }
  wake_read_ = base::UniqueFd(pipe_fds[0]);
  wake_write_ = base::UniqueFd(pipe_fds[1]);
  listen_fd_ = std::move(fd);
  socket_path_ = path;
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
      int fd = ::accept4(listen_fd_.get(), nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) Adopt(fd);
    }
  }
}

ClientId Server::Adopt(int fd) {
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
  for (;;) {
    std::string payload;
    if (frames.Next(fd, &payload) != protocol::FrameStatus::kOk) break;
    protocol::Message request;
    std::string why;
    if (!protocol::Decode(payload, &request, &why) || request.kind != protocol::Kind::kRequest)
      break;
    Outcome outcome = dispatcher_.Handle(conn->id, request);
    // A kill fault stands for the CAD system crashing in the call: no answer, no
    // terminate event, the socket file left behind.
    if (outcome.die) ::raise(SIGKILL);
    bool written = conn->Write(outcome.reply);
    Deliver(outcome.events);
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

void Server::WaitForExit() {
  std::unique_lock<std::mutex> lock(exit_mutex_);
  exit_cv_.wait(lock, [&] { return exit_requested_; });
}

void Server::RequestExit() {
  {
    std::lock_guard<std::mutex> lock(exit_mutex_);
    exit_requested_ = true;
  }
  exit_cv_.notify_all();
}

bool Server::exit_requested() const {
  std::lock_guard<std::mutex> lock(exit_mutex_);
  return exit_requested_;
}

std::size_t Server::connection_count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connections_.size();
}

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
    ::unlink(socket_path_.c_str());
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
