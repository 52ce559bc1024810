#include "base/spawn.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>

#include "base/unique_fd.h"

extern char** environ;

namespace base {
namespace {

// Owners of the two posix_spawn descriptions, destroyed on every way out.
struct FileActions {
  posix_spawn_file_actions_t actions;
  bool ok = posix_spawn_file_actions_init(&actions) == 0;
  ~FileActions() {
    if (ok) posix_spawn_file_actions_destroy(&actions);
  }
};

struct Attributes {
  posix_spawnattr_t attr;
  bool ok = posix_spawnattr_init(&attr) == 0;
  ~Attributes() {
    if (ok) posix_spawnattr_destroy(&attr);
  }
};

void Reap(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

int SpawnDetached(const std::string& path, const std::vector<std::string>& argv,
                  const SpawnOptions& options, long* pid) {
  FileActions files;
  Attributes attributes;
  if (!files.ok || !attributes.ok) return ENOMEM;
  posix_spawn_file_actions_t* fa = &files.actions;
  // The output file is opened here, close-on-exec, so that a file that cannot be
  // opened costs the program its output only, not its start.
  UniqueFd output;
  if (!options.output_file.empty())
    output = UniqueFd(::open(options.output_file.c_str(),
                             O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0600));
  int rc = posix_spawn_file_actions_addopen(fa, 0, "/dev/null", O_RDONLY, 0);
  if (rc == 0)
    rc = output.valid() ? posix_spawn_file_actions_adddup2(fa, output.get(), 1)
                        : posix_spawn_file_actions_addopen(fa, 1, "/dev/null", O_WRONLY, 0);
  if (rc == 0) rc = posix_spawn_file_actions_adddup2(fa, 1, 2);
  if (rc == 0 && !options.directory.empty())
    rc = posix_spawn_file_actions_addchdir_np(fa, options.directory.c_str());
  if (rc == 0) rc = posix_spawn_file_actions_addclosefrom_np(fa, 3);
  if (rc != 0) return rc;

  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_t* attr = &attributes.attr;
  rc = posix_spawnattr_setflags(
      attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  if (rc == 0) rc = posix_spawnattr_setsigdefault(attr, &all);
  if (rc == 0) rc = posix_spawnattr_setsigmask(attr, &none);
  if (rc != 0) return rc;

  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t child = -1;
  rc = ::posix_spawn(&child, path.c_str(), fa, attr, args.data(), environ);
  if (rc != 0) return rc;
  try {
    std::thread([child] { Reap(child); }).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the program runs all the same and is reaped when the
    // caller ends.
  }
  *pid = child;
  return 0;
}

}  // namespace base
