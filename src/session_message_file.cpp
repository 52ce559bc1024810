#include "src/session_message_file.h"

#include <ProMessage.h>
#include <ProUtil.h>

#include "port/files.h"
#include "src/string_util.h"
#include "src/system_util.h"

namespace {

const char kMessageFileName[] = "morvel_msg_ugmessage.txt";

// The one entry Show names, "UserMsg_1", with the CR LF line ends the session
// reads message files with. A file that cannot be written is not reported.
bool WriteMessageFile(const std::string& path) {
  std::string entry;
  for (const wchar_t* line : {L"%CIUserMsg_1", L"TAV: %0w", L"#", L"#"})
    entry += WideToMultiByte(line) + "\r\n";
  return port::WriteFile(path, entry, port::WriteMode::kTruncate) == 0;
}

}  // namespace

SessionMessageFile::SessionMessageFile() {
  ProStringToWstring(name_, const_cast<char*>(kMessageFileName));
  Ensure();
}

void SessionMessageFile::Show(const std::wstring& text) {
  ProMessageClear();
  ProMessageDisplay(name_, "UserMsg_1", text.c_str());
}

void SessionMessageFile::Ensure() {
  const std::string path = WideToMultiByte(TempPath()) + kMessageFileName;
  std::lock_guard<std::mutex> hold(leaf_);
  if (path == path_ && port::FileExists(path)) return;
  path_ = WriteMessageFile(path) ? path : std::string();
}
