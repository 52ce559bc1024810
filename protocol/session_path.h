#pragma once
// Where the session of a display listens: the one name both ends of the wire
// compute, so the client always looks where the simulator listens, and the one
// rule both apply to the directory holding it.
//
//   <temporary directory>/proe-sim-<uid>/<display>.sock
//
// An empty display is "default". The display text is kept as it is (blanks and
// non-ASCII letters included), except that '/' and '%' are written as "%2F" and
// "%25": the name stays one file inside the directory, and two displays never
// share a socket. Callable from any thread.
#include <string>

namespace protocol {

// The socket file of `display` (UTF-8).
std::string SessionSocketPath(const std::string& display);

// The directory holding the sockets of this user's sessions.
std::string SessionDirectory();

// Whether `dir` may hold this user's sessions: a directory itself (not a link to
// one), owned by this user, of mode 0700 exactly. Anything else could let
// another user serve our display or join our session, so both ends refuse it.
// True when it may; otherwise false with the reason, naming the directory, in
// *why. A directory that does not exist is refused too (errno-style reason).
bool SessionDirectoryIsPrivate(const std::string& dir, std::string* why);

}  // namespace protocol
