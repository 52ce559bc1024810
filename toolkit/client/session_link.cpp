#include "toolkit/client/session_link.h"

#include <cstdio>
#include <thread>

#include "toolkit/client/client_state.h"
#include "toolkit/client/connection.h"

namespace tkclient {
namespace {

constexpr std::chrono::milliseconds kRetryPause{20};
// A TCP connect may take a network round trip or two, beyond the look-up window.
constexpr std::chrono::milliseconds kConnectWait{1000};

}  // namespace

ProError LookUpSession(const std::string& display, std::chrono::milliseconds window,
                       protocol::Route* out) {
  const auto until = std::chrono::steady_clock::now() + window;
  for (;;) {
    std::string why;
    switch (protocol::ConnectToSession(display, kConnectWait, out, &why)) {
      case protocol::RouteStatus::kConnected:
        return PRO_TK_NO_ERROR;
      case protocol::RouteStatus::kNotPrivate:
        std::fprintf(stderr, "toolkit client: not joining a session there: %s\n", why.c_str());
        return PRO_TK_CANT_ACCESS;
      case protocol::RouteStatus::kNotThere:
        break;
    }
    if (std::chrono::steady_clock::now() + kRetryPause > until) return PRO_TK_NOT_EXIST;
    std::this_thread::sleep_for(kRetryPause);
  }
}

ProError AttachSession(protocol::Route route, const char* session_id, const char* display,
                       const char* user, const char* text_dir, std::chrono::milliseconds wait,
                       ProProcessHandle* p_handle) {
  using Hello = protocol::method::hello;
  auto conn = std::make_shared<Connection>(std::move(route.fd));
  conn->SetQuietEnd(true);  // a failed handshake is reported by its code alone
  const std::chrono::milliseconds limit = std::min(wait, RequestDeadline());
  const auto text = [](const char* t) { return std::string(t ? t : ""); };
  Reply reply;
  const CallOutcome outcome =
      conn->Call<Hello>(Connection::Clock::now() + limit, &reply,
                        {protocol::kProtocolVersion, text(session_id), text(display), text(user),
                         text(text_dir), static_cast<std::int64_t>(::getpid()), route.token});
  if (outcome == CallOutcome::kTimedOut) return PRO_TK_E_BUSY;
  if (outcome == CallOutcome::kBroken) {
    // A session on TCP closes at once on a hello without its token.
    if (route.tcp)
      std::fprintf(stderr,
                   "toolkit client: the session at %s closed the connection at hello "
                   "(missing or wrong session token? see %s)\n",
                   route.address.c_str(), protocol::kSessionTokenVariable);
    return PRO_TK_COMM_ERROR;
  }
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
    s.address = route.address;
    s.ClearRegistrationsLocked();
  }
  *p_handle = handle;
  return PRO_TK_NO_ERROR;
}

}  // namespace tkclient
