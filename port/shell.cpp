#include "port/shell.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "port/files.h"
#include "port/text.h"

extern char** environ;

namespace port {
namespace {

// Messages from the two forked processes to the caller, each one write() of
// less than PIPE_BUF bytes, so they never interleave.
enum Kind : int { kStarted = 1, kExecFailed = 2, kChdirFailed = 3, kForkFailed = 4 };
struct Message {
  int kind;
  int value;
};

// Owns a descriptor.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

std::vector<std::string> SplitParameters(const std::string& text) {
  std::vector<std::string> args;
  std::string current;
  bool in_quotes = false, have = false;
  for (char c : text) {
    if (c == '"') {
      in_quotes = !in_quotes;
      have = true;
    } else if ((c == ' ' || c == '\t') && !in_quotes) {
      if (have) args.push_back(current);
      current.clear();
      have = false;
    } else {
      current += c;
      have = true;
    }
  }
  if (have) args.push_back(current);
  return args;
}

long CodeForErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return kShellFileNotFound;
    case EACCES:
    case EPERM:
    case ETXTBSY:
      return kShellAccessDenied;
    case ENOMEM:
    case EAGAIN:
    case E2BIG:
      return kShellOutOfMemory;
    default:  // ENOEXEC, EISDIR, ELIBBAD ...: nothing here can run it
      return kShellNoAssociation;
  }
}

// The file to execute, made absolute against the caller's current directory, or
// the error code that stops the start before anything is forked.
long Resolve(const std::string& file, std::string& path) {
  if (file.empty()) return kShellFileNotFound;
  std::vector<std::string> candidates;
  if (file.find('/') != std::string::npos) {
    candidates.push_back(file[0] == '/' ? file : GetCurrentDirectory() + "/" + file);
  } else {
    candidates.push_back(GetCurrentDirectory() + "/" + file);
    const char* env = std::getenv("PATH");
    const std::string search = env ? env : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= search.size()) {
      std::size_t end = search.find(':', start);
      if (end == std::string::npos) end = search.size();
      const std::string dir = end > start ? search.substr(start, end - start) : ".";
      candidates.push_back(dir + "/" + file);
      start = end + 1;
    }
  }
  long first_error = 0;
  for (const std::string& candidate : candidates) {
    struct stat st;
    if (::stat(candidate.c_str(), &st) != 0) {
      if (!first_error && errno != ENOENT && errno != ENOTDIR) first_error = CodeForErrno(errno);
      continue;
    }
    long code = 0;
    if (S_ISDIR(st.st_mode)) {
      code = kShellNoAssociation;
    } else if (::access(candidate.c_str(), X_OK) != 0) {
      code = kShellAccessDenied;
    } else {
      path = candidate;
      return 0;
    }
    // A plain path names one file: its verdict stands. On a search, keep looking.
    if (candidates.size() == 1) return code;
    if (!first_error) first_error = code;
  }
  return first_error ? first_error : kShellFileNotFound;
}

// After fork() only async-signal-safe calls: every string was prepared before.
[[noreturn]] void RunChild(int report, const char* path, char* const* argv, const char* dir) {
  Message message{};
  ::setsid();
  const pid_t pid = ::fork();
  if (pid < 0) {
    message = {kForkFailed, errno};
    (void)!::write(report, &message, sizeof message);
    ::_exit(1);
  }
  if (pid > 0) {
    message = {kStarted, static_cast<int>(pid)};
    (void)!::write(report, &message, sizeof message);
    ::_exit(0);
  }
  // The program itself.
  struct sigaction dfl = {};
  dfl.sa_handler = SIG_DFL;
  for (int s = 1; s < NSIG; ++s) ::sigaction(s, &dfl, nullptr);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  if (dir && *dir && ::chdir(dir) != 0) {
    message = {kChdirFailed, errno};
    (void)!::write(report, &message, sizeof message);
    ::_exit(127);
  }
  const int null = ::open("/dev/null", O_RDONLY);
  if (null >= 0 && null != 0) {
    ::dup2(null, 0);
    ::close(null);
  }
  // Nothing of ours beyond the three standard descriptors may reach the program.
#ifdef SYS_close_range
  if (::syscall(SYS_close_range, 3u, ~0u, 4u /* CLOSE_RANGE_CLOEXEC */) != 0)
#endif
  {
    const long max = ::sysconf(_SC_OPEN_MAX);
    for (int fd = 3; fd < (max > 0 && max < 65536 ? max : 65536); ++fd) {
      if (fd != report) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
  ::fcntl(report, F_SETFD, FD_CLOEXEC);
  ::execve(path, argv, environ);
  message = {kExecFailed, errno};
  (void)!::write(report, &message, sizeof message);
  ::_exit(127);
}

}  // namespace

long ShellOpen(const std::string& file, const std::string& parameters,
               const std::string& directory) {
  std::string path;
  if (const long code = Resolve(file, path)) return code;
  if (!directory.empty()) {
    struct stat st;
    if (::stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kShellPathNotFound;
  }

  std::vector<std::string> args = SplitParameters(parameters);
  args.insert(args.begin(), path);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return kShellOutOfMemory;
  Fd read_end(fds[0]);
  Fd write_end(fds[1]);

  const pid_t child = ::fork();
  if (child < 0) return kShellOutOfMemory;
  if (child == 0) RunChild(write_end.get(), path.c_str(), argv.data(), directory.c_str());
  write_end.Reset();

  // The intermediate process exits at once; reap it here. The program is then
  // an orphan that init adopts and reaps.
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }

  // Read until every writer is gone: the program's exec closes its end on
  // success, or it reports why it could not start.
  long pid = 0;
  long failure = 0;
  Message message;
  for (;;) {
    const ssize_t n = ::read(read_end.get(), &message, sizeof message);
    if (n < 0 && errno == EINTR) continue;
    if (n != static_cast<ssize_t>(sizeof message)) break;
    switch (message.kind) {
      case kStarted:
        pid = message.value;
        break;
      case kExecFailed:
        failure = CodeForErrno(message.value);
        break;
      case kChdirFailed:
        failure = kShellPathNotFound;
        break;
      default:
        failure = kShellOutOfMemory;
        break;
    }
  }
  if (failure) return failure;
  if (pid <= 32) return kShellOutOfMemory;  // cannot be told from a failure code
  return pid;
}

long ShellOpen(const std::wstring& file, const std::wstring& parameters,
               const std::wstring& directory) {
  return ShellOpen(WideToUtf8(file), WideToUtf8(parameters), WideToUtf8(directory));
}

}  // namespace port
