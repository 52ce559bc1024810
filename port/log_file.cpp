#include "port/log_file.h"

#include "port/env.h"
#include "port/files.h"
#include "port/last_error.h"

namespace port {

std::string LogFilePath() { return GetEnv().TempDirectory() + "tav_cax_log.txt"; }

void AppendLogLine(const std::string& path, const std::string& line) {
  const LastErrorKeeper keeper;  // the log must not disturb the caller's error state
  WriteFile(path, line + '\n', WriteMode::kAppend);
}

void AppendLogLine(const std::string& line) { AppendLogLine(LogFilePath(), line); }

}  // namespace port
