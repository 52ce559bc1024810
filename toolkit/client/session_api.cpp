// Joining and leaving the session: ProEngineerConnect, Disconnect, StatusGet,
// Start, End, ConnectIdExtract.
#include <ProCore.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "base/spawn.h"
#include "protocol/stream_socket.h"
#include "toolkit/client/c_edge.h"
#include "toolkit/client/call.h"
#include "toolkit/client/client_state.h"
#include "toolkit/client/session_link.h"
#include "toolkit/client/wide_text.h"

namespace tkclient {
namespace {

// The toolkit's connect and start refuse to run without its communication
// program (PRO_COMM_MSG_EXE): hosts set it up, and a missing one is their error.
bool IsRegularFile(const char* path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::u8path(path), ec);
}

bool IsDirectory(const char* path) {
  std::error_code ec;
  return std::filesystem::is_directory(std::filesystem::u8path(path), ec);
}

bool CommProgramPresent() {
  const char* exe = std::getenv("PRO_COMM_MSG_EXE");
  if (!exe || !*exe || !IsRegularFile(exe)) return false;
#ifdef _WIN32
  return true;  // Windows has no execute bit to check
#else
  return ::access(exe, X_OK) == 0;
#endif
}

std::chrono::milliseconds WaitFor(unsigned int timeout_sec) {
  if (timeout_sec == 0) return RequestDeadline();
  return std::chrono::seconds(timeout_sec);
}

bool SameHandle(const ProProcessHandle& a, const ProProcessHandle& b) {
  return a.array_index == b.array_index && a.auth_key == b.auth_key;
}

// Starts `program` detached, its output discarded (the session is no child of
// ours to talk to). False when it could not start.
bool StartDetached(const char* program) {
  if (!IsRegularFile(program)) return false;
  long pid = 0;
  return base::SpawnDetached(program, {program}, base::SpawnOptions{}, &pid) == 0;
}

}  // namespace
}  // namespace tkclient

using namespace tkclient;

extern "C" {

ProError ProEngineerConnect(char* proe_session_id, char* display, char* user, char* textpath,
                            ProBoolean allow_random, unsigned int timeout_sec,
                            ProBoolean* random_choice, ProProcessHandle* p_handle) try {
  (void)allow_random;  // one session per display: there is nothing to choose between
  if (!p_handle) return PRO_TK_BAD_INPUTS;
  if (!CommProgramPresent()) return PRO_TK_CANT_MODIFY;
  if (textpath && *textpath && !IsDirectory(textpath)) return PRO_TK_INVALID_DIR;
  return Guarded([&] {
    {
      std::shared_ptr<Connection> current = CurrentConnection();
      if (current && current->alive()) return PRO_TK_E_FOUND;
    }
    protocol::Route route;
    ProError e = LookUpSession(display ? display : "", kLookUpWindow, &route);
    if (e != PRO_TK_NO_ERROR) return e;
    e = AttachSession(std::move(route), proe_session_id, display, user, textpath,
                      WaitFor(timeout_sec), p_handle);
    if (e == PRO_TK_NO_ERROR && random_choice) *random_choice = PRO_B_FALSE;
    return e;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProBoolean ProEngineerConnectIdExtract(ProProcessHandle p_handle,
                                       ProConnectionId proe_connect_id) try {
  if (!proe_connect_id) return PRO_B_FALSE;
  std::string id;
  {
    ClientState& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    if (!s.conn || !SameHandle(s.handle, p_handle)) return PRO_B_FALSE;
    const std::string host = protocol::LocalHostName();
    const bool tcp = s.address.rfind("tcp:", 0) == 0;
    id = std::string("host:") + host + ":addr_ver:1:addr_type:" + (tcp ? "inet" : "unix") +
         ":rpcnum:" + std::to_string(static_cast<unsigned>(s.handle.array_index)) +
         ":rpcversion:" + std::to_string(protocol::kProtocolVersion) + ":netaddr:" + s.address;
  }
  CopyToNarrow(id, proe_connect_id, PRO_CONNECTID_SIZE);
  return PRO_B_TRUE;
}
TAV_C_EDGE(PRO_B_FALSE)

ProError ProEngineerDisconnect(ProProcessHandle* p_handle, unsigned int timeout_sec) try {
  if (!p_handle) return PRO_TK_BAD_INPUTS;
  std::shared_ptr<Connection> conn;
  {
    ClientState& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    if (!s.conn || !SameHandle(s.handle, *p_handle)) return PRO_TK_BAD_INPUTS;
    conn = std::move(s.conn);
    s.handle = ProProcessHandle{};
    s.address.clear();
    s.ClearRegistrationsLocked();
  }
  ProError result = PRO_TK_COMM_ERROR;
  if (conn->alive()) {
    conn->SetQuietEnd(true);
    const auto limit = std::min(WaitFor(timeout_sec), RequestDeadline());
    Reply reply;
    if (conn->Call<method::bye>(Connection::Clock::now() + limit, &reply, {}) ==
        CallOutcome::kReplied)
      result = static_cast<ProError>(reply.code);
  }
  conn->Shutdown();
  return result;
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProEngineerStatusGet(void) try {
  std::shared_ptr<Connection> conn = CurrentConnection();
  if (!conn || !conn->alive()) return PRO_TK_GENERAL_ERROR;
  Reply reply;
  const CallOutcome outcome =
      conn->Call<method::ping>(Connection::Clock::now() + RequestDeadline(), &reply, {});
  return outcome == CallOutcome::kReplied && reply.code == PRO_TK_NO_ERROR ? PRO_TK_NO_ERROR
                                                                           : PRO_TK_GENERAL_ERROR;
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProEngineerStart(char* proe_path, char* prodev_text_path) try {
  if (!proe_path || !*proe_path) return PRO_TK_BAD_INPUTS;
  if (!CommProgramPresent()) return PRO_TK_CANT_MODIFY;
  if (prodev_text_path && *prodev_text_path && !IsDirectory(prodev_text_path))
    return PRO_TK_INVALID_DIR;
  return Guarded([&] {
    {
      std::shared_ptr<Connection> current = CurrentConnection();
      if (current && current->alive()) return PRO_TK_E_FOUND;
    }
    if (!StartDetached(proe_path)) return PRO_TK_GENERAL_ERROR;
    // A starting session listens only once it is ready: keep looking until
    // the request deadline.
    const auto until = Connection::Clock::now() + RequestDeadline();
    protocol::Route route;
    ProError e;
    do {
      e = LookUpSession("", kLookUpWindow, &route);
    } while (e == PRO_TK_NOT_EXIST && Connection::Clock::now() < until);
    if (e == PRO_TK_CANT_ACCESS) return e;
    if (e != PRO_TK_NO_ERROR) return PRO_TK_GENERAL_ERROR;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(until - Connection::Clock::now());
    ProProcessHandle handle;
    return AttachSession(std::move(route), nullptr, nullptr, nullptr, prodev_text_path,
                         std::max(left, std::chrono::milliseconds(1)), &handle);
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProEngineerEnd(void) try {
  return Guarded([&] {
    std::shared_ptr<Connection> conn = CurrentConnection();
    if (!conn) return PRO_TK_COMM_ERROR;
    const ProError e = InvokeCode<method::ProEngineerEnd>();
    // The application ended the session itself: its termination action is
    // not called, so the connection ends without queuing one.
    if (e == PRO_TK_NO_ERROR) {
      conn->Shutdown();
      conn->DiscardTermination();
    }
    return e;
  });
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

}  // extern "C"
