#include "port/shell.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "base/spawn.h"
#include "base/utf.h"
#include "port/env.h"
#include "port/files.h"

namespace port {
namespace {

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

}  // namespace

long ShellOpen(const std::string& file, const std::string& parameters, const std::string& directory,
               long* pid) {
  std::string path;
  if (const long code = Resolve(file, path)) return code;
  if (!directory.empty()) {
    struct stat st;
    if (::stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kShellPathNotFound;
  }
  std::vector<std::string> argv = SplitParameters(parameters);
  argv.insert(argv.begin(), path);
  base::SpawnOptions options;
  options.directory = directory;
  options.output_file = GetEnv().TempDirectory() + kShellOutputLog;
  long started = 0;
  if (const int error = GetEnv().StartProgram(path, argv, options, &started))
    return CodeForErrno(error);
  if (pid) *pid = started;
  return 0;
}

long ShellOpen(const std::wstring& file, const std::wstring& parameters,
               const std::wstring& directory, long* pid) {
  return ShellOpen(base::WideToUtf8(file), base::WideToUtf8(parameters),
                   base::WideToUtf8(directory), pid);
}

}  // namespace port
