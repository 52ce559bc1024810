#pragma once
// How a client reaches the session of a display, the one rule for the toolkit
// client and `proe_sim ctl`:
//
// - a display "tcp:HOST:PORT" names a session on TCP directly; its token comes
//   from $TAVPROE2_SESSION_TOKEN, else from an endpoint file named after the
//   display (copied into the session directory);
// - any other display is looked up in the session directory: its socket
//   "<display>.sock" first, then its endpoint file "<display>.endpoint".
//
// A session directory that is not private (SessionDirectoryIsPrivate) is never
// used. One call is one attempt; callers retry as they see fit. Any thread.
#include <chrono>
#include <string>

#include "protocol/stream_socket.h"

namespace protocol {

constexpr char kSessionTokenVariable[] = "TAVPROE2_SESSION_TOKEN";

enum class RouteStatus {
  kConnected,
  kNotThere,    // no session answers (yet): nothing there, refused, stale file
  kNotPrivate,  // the session directory exists and is not this user's alone
};

struct Route {
  UniqueSocket fd;      // connected
  std::string token;    // for the hello; "" on a Unix socket
  std::string address;  // the socket's path or "tcp:HOST:PORT"
  bool tcp = false;
};

// One attempt; a TCP connect waits at most `connect_wait`. The reason for
// kNotPrivate, or what a found session's address said, in *why.
RouteStatus ConnectToSession(const std::string& display, std::chrono::milliseconds connect_wait,
                             Route* out, std::string* why);

}  // namespace protocol
