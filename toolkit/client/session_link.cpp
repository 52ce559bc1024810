#include "toolkit/client/session_link.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "protocol/session_path.h"
#include "toolkit/client/client_state.h"
#include "toolkit/client/connection.h"

namespace tkclient {
namespace {

constexpr std::chrono::milliseconds kRetryPause{20};

// One connect attempt; an invalid fd when nobody listens there.
base::UniqueFd TryConnect(const std::string& path) {
  base::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.valid()) return base::UniqueFd();
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int r;
  do {
    r = ::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  } while (r != 0 && errno == EINTR);
  if (r != 0) return base::UniqueFd();
  return fd;
}

// PRO_TK_NOT_EXIST while the socket's directory is missing (no session has
// started yet), PRO_TK_CANT_ACCESS once it exists without being private.
ProError CheckDirectory(const std::string& dir) {
  std::string why;
  if (protocol::SessionDirectoryIsPrivate(dir, &why)) return PRO_TK_NO_ERROR;
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0 && errno == ENOENT) return PRO_TK_NOT_EXIST;
  std::fprintf(stderr, "toolkit client: not joining a session there: %s\n", why.c_str());
  return PRO_TK_CANT_ACCESS;
}

}  // namespace

ProError LookUpSession(const std::string& path, std::chrono::milliseconds window,
                       base::UniqueFd* out) {
  if (path.size() >= sizeof(sockaddr_un{}.sun_path)) return PRO_TK_NOT_EXIST;
  const std::string dir = path.substr(0, path.rfind('/'));
  const auto until = std::chrono::steady_clock::now() + window;
  for (;;) {
    const ProError checked = CheckDirectory(dir);
    if (checked == PRO_TK_CANT_ACCESS) return checked;
    base::UniqueFd fd = checked == PRO_TK_NO_ERROR ? TryConnect(path) : base::UniqueFd();
    if (fd.valid()) {
      *out = std::move(fd);
      return PRO_TK_NO_ERROR;
    }
    if (std::chrono::steady_clock::now() + kRetryPause > until) return PRO_TK_NOT_EXIST;
    std::this_thread::sleep_for(kRetryPause);
  }
}

ProError AttachSession(base::UniqueFd fd, const std::string& socket_path, const char* session_id,
                       const char* display, const char* user, const char* text_dir,
                       std::chrono::milliseconds wait, ProProcessHandle* p_handle) {
  using Hello = protocol::method::hello;
  auto conn = std::make_shared<Connection>(std::move(fd));
  conn->SetQuietEnd(true);  // a failed handshake is reported by its code alone
  const std::chrono::milliseconds limit = std::min(wait, RequestDeadline());
  const auto text = [](const char* t) { return std::string(t ? t : ""); };
  Reply reply;
  const CallOutcome outcome =
      conn->Call<Hello>(Connection::Clock::now() + limit, &reply,
                        {protocol::kProtocolVersion, text(session_id), text(display), text(user),
                         text(text_dir), static_cast<std::int64_t>(::getpid())});
  if (outcome == CallOutcome::kTimedOut) return PRO_TK_E_BUSY;
  if (outcome == CallOutcome::kBroken) return PRO_TK_COMM_ERROR;
  if (reply.code != PRO_TK_NO_ERROR) return static_cast<ProError>(reply.code);
  ProProcessHandle handle{};
  try {
    const protocol::ProcessHandle wire = std::get<0>(protocol::OutsOf<Hello>(reply.message));
    handle.array_index = wire.array_index;
    handle.auth_key = static_cast<long>(wire.auth_key);
  } catch (const std::exception&) {
    return PRO_TK_COMM_ERROR;
  }
  if (handle.array_index == 0 && handle.auth_key == 0) return PRO_TK_COMM_ERROR;

  conn->SetQuietEnd(false);
  std::shared_ptr<Connection> replaced;
  {
    ClientState& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    if (s.conn && s.conn->alive()) return PRO_TK_E_FOUND;
    replaced = std::move(s.conn);  // an ended one: dropped with whatever it still queued
    s.conn = conn;
    s.handle = handle;
    s.socket_path = socket_path;
    s.ClearRegistrationsLocked();
  }
  *p_handle = handle;
  return PRO_TK_NO_ERROR;
}

}  // namespace tkclient
