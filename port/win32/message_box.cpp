#include "port/message_box.h"

#include <windows.h>
#include <cstdio>
#include <cstdlib>

#include "base/utf.h"
#include "port/log_file.h"

namespace port {

void InformationBox(const std::wstring& text, const std::wstring& caption) {
  const std::wstring whole = caption.empty() ? text : caption + L": " + text;
  AppendLogLine(base::WideToUtf8(whole));
  const char* quiet = std::getenv(kNoMessageBoxVariable);
  if (quiet && *quiet) {
    const std::string with_end = base::WideToUtf8(whole) + "\n";
    std::fwrite(with_end.data(), 1, with_end.size(), stderr);
    std::fflush(stderr);
    return;
  }
  ::MessageBoxW(nullptr, text.c_str(), caption.c_str(),
                MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND | MB_TASKMODAL);
}

}  // namespace port
