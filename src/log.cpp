#include "src/log.h"

#include "base/utf.h"
#include "port/log_file.h"

void WriteLog(const std::wstring& text) { port::AppendLogLine(base::WideToUtf8(text)); }
