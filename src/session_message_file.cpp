#include "src/session_message_file.h"

#include <ProMessage.h>
#include <ProUtil.h>

#include "port/files.h"
#include "src/fixed_names.h"
#include "src/string_util.h"
#include "src/system_util.h"

namespace {

// A file that cannot be written is not reported.
bool WriteMessageFile(const std::string& path) {
  return port::WriteFile(path, WideToMultiByte(fixed::kMessageEntry), port::WriteMode::kTruncate) ==
         0;
}

}  // namespace

SessionMessageFile::SessionMessageFile() {
  ProStringToWstring(name_, const_cast<char*>(fixed::kMessageFile));
  Ensure();
}

void SessionMessageFile::Show(const std::wstring& text) {
  ProMessageClear();
  ProMessageDisplay(name_, fixed::kMessageKey, text.c_str());
}

void SessionMessageFile::Ensure() {
  const std::string path = WideToMultiByte(TempPath()) + fixed::kMessageFile;
  std::lock_guard<std::mutex> hold(leaf_);
  if (path == path_ && port::FileExists(path)) return;
  path_ = WriteMessageFile(path) ? path : std::string();
}
