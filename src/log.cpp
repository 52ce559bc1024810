#include "src/log.h"

#include "base/utf.h"
#include "port/log_file.h"

void WriteLog(const std::wstring& text) { port::AppendLogLine(base::WideToUtf8(text)); }

void LogBatch::Add(const std::wstring& line) {
  text_ += base::WideToUtf8(line);
  text_ += '\n';
}

LogBatch::~LogBatch() {
  if (text_.empty()) return;
  text_.pop_back();  // AppendLogLine ends the last line
  try {
    port::AppendLogLine(text_);
  } catch (...) {  // as for WriteLog: lines that cannot be written are lost
  }
}
