#pragma once
// The module's plain-text log: tav_cax_log.txt in the temporary directory, one
// line per entry. Every append opens, writes and closes the file (through the
// Env, port/env.h), so lines from several threads or processes each arrive whole
// (one write() with O_APPEND) and nothing is lost if the process dies. Callable
// from any thread.
#include <string>

namespace port {

// The Env's temporary directory (port/env.h) + "tav_cax_log.txt".
std::string LogFilePath();

// Appends `line` + "\n" to the file at `path`, creating it if needed. Never
// truncates; silent on any failure (the line is then lost).
void AppendLogLine(const std::string& path, const std::string& line);

// AppendLogLine(LogFilePath(), line).
void AppendLogLine(const std::string& line);

}  // namespace port
