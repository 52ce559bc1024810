#pragma once
// Establishing the one connection of the process: finding the session's
// socket (protocol/session_path.h), the hello handshake, and installing the result as the
// current connection. Used by ProEngineerConnect/Start and the test hooks.
#include <ProCore.h>
#include <chrono>
#include <string>

#include "base/unique_fd.h"

namespace tkclient {

// Tries to connect to the socket until `window` has passed. PRO_TK_NOT_EXIST
// when nothing answers there; PRO_TK_CANT_ACCESS at once when the socket's
// directory exists but is not this user's alone (protocol::SessionDirectoryIsPrivate),
// with the reason on standard error.
ProError LookUpSession(const std::string& path, std::chrono::milliseconds window,
                       base::UniqueFd* out);

// Says hello on a connected stream (null texts travel as ""), waiting at most
// `wait` for the answer, and makes it the process's connection. PRO_TK_E_BUSY when no answer came
// in time, PRO_TK_E_FOUND when another live connection exists.
ProError AttachSession(base::UniqueFd fd, const std::string& socket_path, const char* session_id,
                       const char* display, const char* user, const char* text_dir,
                       std::chrono::milliseconds wait, ProProcessHandle* p_handle);

// The lookup window of ProEngineerConnect (about a quarter second).
constexpr std::chrono::milliseconds kLookUpWindow{250};

}  // namespace tkclient
