#include "port/message_box.h"

#include <cstdio>

#include "base/utf.h"
#include "port/log_file.h"

namespace port {

void InformationBox(const std::wstring& text, const std::wstring& caption) {
  const std::string line =
      caption.empty() ? base::WideToUtf8(text) : base::WideToUtf8(caption + L": " + text);
  // One fwrite so that the line is not torn by other writers of stderr.
  const std::string with_end = line + "\n";
  std::fwrite(with_end.data(), 1, with_end.size(), stderr);
  std::fflush(stderr);
  AppendLogLine(line);
}

}  // namespace port
