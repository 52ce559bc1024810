#include "port/log_file.h"

#include <mutex>

#include "port/env.h"
#include "port/files.h"
#include "port/last_error.h"

namespace port {

std::string LogFilePath() { return GetEnv().TempDirectory() + "tav_cax_log.txt"; }

void AppendLogLine(const std::string& path, const std::string& line) {
  const LastErrorKeeper keeper;  // the log must not disturb the caller's error state
  // Appends from one process go one at a time. POSIX O_APPEND and Windows
  // FILE_APPEND_DATA would keep concurrent lines whole on their own, but Wine finds
  // the end of the file and writes there in two steps, so two of the host's threads
  // could write at the same offset and lose a line.
  static std::mutex appending;
  const std::lock_guard<std::mutex> one_at_a_time(appending);
  WriteFile(path, line + '\n', WriteMode::kAppend);
}

void AppendLogLine(const std::string& line) { AppendLogLine(LogFilePath(), line); }

}  // namespace port
