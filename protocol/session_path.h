#pragma once
// Where the session of a display listens: the one name both ends of the wire
// compute, so the client always looks where the simulator listens.
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

}  // namespace protocol
