#pragma once
// Establishing the one connection of the process: finding the session of a
// display (protocol/session_route.h: its Unix socket, its endpoint file, or a
// "tcp:HOST:PORT" display), the hello handshake with the session's token, and
// installing the result as the current connection. Used by
// ProEngineerConnect/Start and the test hooks.
#include <ProCore.h>
#include <chrono>
#include <string>

#include "protocol/session_route.h"

namespace tkclient {

// Tries to reach the display's session until `window` has passed.
// PRO_TK_NOT_EXIST when nothing answers; PRO_TK_CANT_ACCESS at once when the
// session directory exists but is not this user's alone
// (protocol::SessionDirectoryIsPrivate), with the reason on standard error.
ProError LookUpSession(const std::string& display, std::chrono::milliseconds window,
                       protocol::Route* out);

// Says hello on the route's stream with its token (null texts travel as ""),
// waiting at most `wait` for the answer, and makes it the process's connection.
// PRO_TK_E_BUSY when no answer came in time, PRO_TK_COMM_ERROR when the session
// closed the stream (a TCP session refusing the token does), PRO_TK_E_FOUND when
// another live connection exists.
ProError AttachSession(protocol::Route route, const char* session_id, const char* display,
                       const char* user, const char* text_dir, std::chrono::milliseconds wait,
                       ProProcessHandle* p_handle);

// The lookup window of ProEngineerConnect (about a quarter second).
constexpr std::chrono::milliseconds kLookUpWindow{250};

}  // namespace tkclient
