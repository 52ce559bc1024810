#pragma once
// The module's diagnostic log: tav_cax_log.txt in the temporary directory. One
// line per call, the text unchanged (UTF-8), no time stamp or level. The file is
// opened and closed for every line (or batch) and never truncated; a line that cannot be
// written is lost silently. Callable from any thread without a lock: each line
// arrives whole.
#include <string>

void WriteLog(const std::wstring& text);

// Lines appended to the log in one write when the batch ends, in the order they
// were added: a menu of thousands of entries opens the log once, not per entry.
class LogBatch {
 public:
  LogBatch() = default;
  LogBatch(const LogBatch&) = delete;
  LogBatch& operator=(const LogBatch&) = delete;
  ~LogBatch();
  void Add(const std::wstring& line);

 private:
  std::string text_;
};
