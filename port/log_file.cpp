#include "port/log_file.h"

#include <cerrno>

#include "port/env.h"
#include "port/files.h"

namespace port {

std::string LogFilePath() { return GetEnv().TempDirectory() + "tav_cax_log.txt"; }

void AppendLogLine(const std::string& path, const std::string& line) {
  const int saved_errno = errno;  // the log must not disturb the caller's error state
  WriteFile(path, line + '\n', WriteMode::kAppend);
  errno = saved_errno;
}

void AppendLogLine(const std::string& line) { AppendLogLine(LogFilePath(), line); }

}  // namespace port
