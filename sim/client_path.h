#pragma once
// Paths as a client names them (its text directory, a model file to load). A
// Windows client running under Wine names the session's files by their Windows
// names, and Wine's drive Z: is the Unix root: "Z:\tmp\x" is /tmp/x. Any other
// path is the session's own. Pure; any thread.
#include <string>

namespace sim {

std::string ClientPath(const std::string& path);

}  // namespace sim
