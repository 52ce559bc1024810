#include "port/message_box.h"

#include <cstdio>

#include "port/log_file.h"
#include "port/text.h"

namespace port {

void InformationBox(const std::wstring& text, const std::wstring& caption) {
  const std::string line = caption.empty() ? WideToUtf8(text) : WideToUtf8(caption + L": " + text);
  // One fwrite so that the line is not torn by other writers of stderr.
  const std::string with_end = line + "\n";
  std::fwrite(with_end.data(), 1, with_end.size(), stderr);
  std::fflush(stderr);
  AppendLogLine(line);
}

}  // namespace port
