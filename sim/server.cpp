#include "sim/server.h"

#include <ProConst.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "protocol/frame.h"
#include "protocol/message.h"

namespace sim {

// One client connection. `fd` is written (and finally closed) only under
// `write_mutex`; -1 once closed.
struct Server::Connection {
  ClientId id = 0;
  int fd = -1;
  std::mutex write_mutex;
  std::thread thread;

  ~Connection() {
    if (fd >= 0) ::close(fd);
  }
  bool Write(const std::string& payload) {
    std::lock_guard<std::mutex> lock(write_mutex);
    return fd >= 0 && protocol::WriteFrame(fd, payload);
  }
  // Wakes the reader and tells the peer the connection is over.
  void Hangup() {
    std::lock_guard<std::mutex> lock(write_mutex);
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
  }
  void Close() {
    std::lock_guard<std::mutex> lock(write_mutex);
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

namespace {

std::string TempDirectory() {
  const char* t = std::getenv("TMPDIR");
  std::string dir = t && *t ? t : "/tmp";
  if (dir.back() != '/') dir += '/';
  return dir;
}

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
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

std::string SocketPathFor(const std::string& display) {
  std::string name = display.empty() ? "default" : display;
  for (char& ch : name)
    if (ch == '/') ch = '_';
  return TempDirectory() + "proe-sim-" + std::to_string(::getuid()) + "/" + name + ".sock";
}

Server::Server(SessionOptions options)
    : store_(StoreOptionsFrom(WithWorkingDir(options))),
      session_(WithWorkingDir(options)),
      dispatcher_(store_, session_) {}

Server::~Server() { Shutdown(); }

bool Server::Listen(std::string* error) {
  std::string path = SocketPathFor(session_.options().display);
  std::string dir = path.substr(0, path.rfind('/'));
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = "cannot create " + dir + ": " + std::strerror(errno);
    return false;
  }
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
    *error = dir + " is not a directory of this user";
    return false;
  }
  ::chmod(dir.c_str(), 0700);
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
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *error = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0) {
    *error = "cannot listen on " + path + ": " + std::strerror(errno);
    ::close(fd);
    return false;
  }
  if (::pipe2(wake_pipe_, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    ::close(fd);
    ::unlink(path.c_str());
    return false;
  }
  listen_fd_ = fd;
  socket_path_ = path;
  accept_thread_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void Server::AcceptLoop() {
  for (;;) {
    pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {wake_pipe_[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    if (fds[0].revents & POLLIN) {
      int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
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
  if (shut_down_) {
    ::close(fd);
    return 0;
  }
  auto conn = std::make_shared<Connection>();
  conn->id = next_id_++;
  conn->fd = fd;
  connections_[conn->id] = conn;
  conn->thread = std::thread([this, conn] { Serve(conn); });
  return conn->id;
}

void Server::Serve(std::shared_ptr<Connection> conn) {
  int fd;
  {
    std::lock_guard<std::mutex> lock(conn->write_mutex);
    fd = conn->fd;
  }
  for (;;) {
    std::string payload;
    if (protocol::ReadFrame(fd, &payload) != protocol::FrameStatus::kOk) break;
    protocol::Message request;
    std::string why;
    if (!protocol::Decode(payload, &request, &why) || request.kind != protocol::Kind::kRequest)
      break;
    Outcome outcome = dispatcher_.Handle(conn->id, request);
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
    ssize_t w = ::write(wake_pipe_[1], &b, 1);
    (void)w;
    accept_thread_.join();
  }
  if (listen_fd_ >= 0) {
    ::close(listen_fd_);
    listen_fd_ = -1;
    ::unlink(socket_path_.c_str());
  }
  for (int& p : wake_pipe_) {
    if (p >= 0) ::close(p);
    p = -1;
  }
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
