#include "log.h"

#include "port/log_file.h"
#include "port/text.h"

void WriteLog(const std::wstring& text) { port::AppendLogLine(port::WideToUtf8(text)); }
