#pragma once
// Starting a program detached from the caller: the one mechanism of the project,
// used by the module's shell start and by the toolkit client's session start.
//
// The caller may be a threaded host, so the program is started with posix_spawn
// (nothing of the caller's address space runs between the fork and the exec). It
// runs in a session of its own (no controlling terminal, so a terminal's Ctrl-C
// reaches the caller only), with standard input from /dev/null, standard output
// and error into a file of its own or /dev/null (never the caller's: a caller
// whose output is a pipe is not held open by the program), every signal at its
// default action and none blocked, and no other descriptor of the caller. A
// thread of the caller waits for it, so it never stays behind as a zombie.
// Callable from any thread.
#include <string>
#include <vector>

namespace base {

struct SpawnOptions {
  std::string directory;  // working directory; empty: the caller's
  // Standard output and error are appended to this file (created 0600 when
  // missing); empty, or a file that cannot be opened: /dev/null.
  std::string output_file;
};

// Starts `path` (an absolute or relative file name, not searched on PATH) with
// `argv` (argv[0] included). Returns 0 and the process id in *pid, or the errno
// that kept the program from starting (ENOENT, EACCES, ENOEXEC, ...).
int SpawnDetached(const std::string& path, const std::vector<std::string>& argv,
                  const SpawnOptions& options, long* pid);

}  // namespace base
