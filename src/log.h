#pragma once
// The module's diagnostic log: tav_cax_log.txt in the temporary directory. One
// line per call, the text unchanged (UTF-8), no time stamp or level. The file is
// opened and closed for every line and never truncated; a line that cannot be
// written is lost silently. Callable from any thread without a lock: each line
// arrives whole.
#include <string>

void WriteLog(const std::wstring& text);
