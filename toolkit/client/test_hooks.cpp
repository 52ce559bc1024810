#include "toolkit/client/test_hooks.h"

#include "toolkit/client/client_state.h"
#include "toolkit/client/session_link.h"

namespace tkclient {

ProError TEST_AttachStream(int fd, const char* display, const char* text_dir, int timeout_sec,
                           ProProcessHandle* p_handle) {
  protocol::UniqueSocket owned(fd);
  if (!p_handle || !owned.valid()) return PRO_TK_BAD_INPUTS;
  const std::chrono::milliseconds wait =
      timeout_sec > 0 ? std::chrono::milliseconds(std::chrono::seconds(timeout_sec))
                      : RequestDeadline();
  protocol::Route route;
  route.fd = std::move(owned);
  return AttachSession(std::move(route), nullptr, display, nullptr, text_dir, wait, p_handle);
}

void TEST_ResetClient() {
  std::shared_ptr<Connection> dropped;
  {
    ClientState& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    dropped = std::move(s.conn);
    s.handle = ProProcessHandle{};
    s.address.clear();
    s.term_action = nullptr;
    s.ClearRegistrationsLocked();
    s.deadline = kDefaultRequestDeadline;
  }
  if (dropped) dropped->Shutdown();
}

void TEST_SetRequestDeadline(std::chrono::milliseconds deadline) {
  ClientState& s = State();
  std::lock_guard<std::mutex> lock(s.mu);
  s.deadline = deadline;
}

}  // namespace tkclient
