#pragma once
// Where the session of a display listens: the one name both ends of the wire
// compute, so the client always looks where the simulator listens, and the one
// rule both apply to the directory holding it.
//
//   <temporary directory>/proe-sim-<user>/<display>.sock       a Unix socket, or
//   <temporary directory>/proe-sim-<user>/<display>.endpoint   a session on TCP
//
// <user> is the login name (the uid's number when it has none). On Windows the
// temporary directory is GetTempPathW's and there is no socket: a Windows
// program under Wine given the same directory (TMP=Z:\tmp\...) finds the
// endpoint files a Linux session writes.
//
// The endpoint file is one line, "tcp HOST PORT TOKEN": where the session listens
// and the token its clients must present (kSessionTokenBytes random bytes, in
// lower-case hex). It is written whole or not at all, mode 0600.
//
// An empty display is "default". The display text is kept as it is (blanks and
// non-ASCII letters included), except that '%', control characters and the
// characters a Windows file name cannot hold (/ \ : * ? " < > |) are written as
// '%' and two upper-case hex digits ("tcp:127.0.0.1:4000" is the file
// "tcp%3A127.0.0.1%3A4000.endpoint"), on every system alike: the name stays one
// file inside the directory, two displays never share one, and a Linux session
// and a Windows client agree on it. Callable from any thread.
#include <string>

#include "protocol/stream_socket.h"

namespace protocol {

// `text` with the characters above escaped: the file-name form of a display.
std::string SessionFileName(const std::string& text);

// The socket file of `display` (UTF-8).
std::string SessionSocketPath(const std::string& display);

// The endpoint file of `display`, beside its socket.
std::string SessionEndpointPath(const std::string& display);

// The directory holding the sockets of this user's sessions.
std::string SessionDirectory();

// Whether `dir` may hold this user's sessions: a directory itself (not a link to
// one), owned by this user, of mode 0700 exactly. Anything else could let
// another user serve our display or join our session, so both ends refuse it.
// On Windows: a directory, not a link or junction (the user's temporary
// directory is private to the user by its access list).
// True when it may; otherwise false with the reason, naming the directory, in
// *why. A directory that does not exist is refused too (errno-style reason).
bool SessionDirectoryIsPrivate(const std::string& dir, std::string* why);

constexpr int kSessionTokenBytes = 32;

struct Endpoint {
  TcpAddress address;
  std::string token;  // 2 * kSessionTokenBytes hex digits
};

// False, with the reason naming the file in *why, when it is missing or does not
// hold one endpoint line.
bool ReadEndpointFile(const std::string& path, Endpoint* out, std::string* why);
#ifndef _WIN32
// Writes the file under a temporary name and renames it into place, so that a
// reader never sees it half-written. The session's side: POSIX only.
bool WriteEndpointFile(const std::string& path, const Endpoint& endpoint, std::string* why);
#endif

}  // namespace protocol
