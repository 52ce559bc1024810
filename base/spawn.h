#pragma once
// Starting a program detached from the caller: the one mechanism of the project,
// used by the module's shell start and by the toolkit client's session start.
//
// The caller may be a threaded host, so the program is started with posix_spawn
// (nothing of the caller's address space runs between the fork and the exec). It
// runs in a session of its own (no controlling terminal), with standard input from
// /dev/null, every signal at its default action and none blocked, and no
// descriptor of the caller beyond the three standard ones. A thread of the caller
// waits for it, so it never stays behind as a zombie. Callable from any thread.
#include <string>
#include <vector>

namespace base {

struct SpawnOptions {
  std::string directory;        // working directory; empty: the caller's
  bool discard_output = false;  // standard output and error to /dev/null
};

// Starts `path` (an absolute or relative file name, not searched on PATH) with
// `argv` (argv[0] included). Returns 0 and the process id in *pid, or the errno
// that kept the program from starting (ENOENT, EACCES, ENOEXEC, ...).
int SpawnDetached(const std::string& path, const std::vector<std::string>& argv,
                  const SpawnOptions& options, long* pid);

}  // namespace base
