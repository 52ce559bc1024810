// The session directory on Windows: in the user's own temporary directory.
#include "protocol/session_path.h"

#include <windows.h>
#include <filesystem>
#include <system_error>

#include "base/temp_dir.h"
#include "base/utf.h"

namespace protocol {

std::string SessionDirectory() {
  wchar_t name[256 + 1];
  DWORD size = sizeof name / sizeof name[0];
  const std::string user = ::GetUserNameW(name, &size) && size > 1
                               ? base::WideToUtf8(std::wstring(name, size - 1))
                               : "user";
  return base::TempDirectory() + "proe-sim-" + SessionFileName(user);
}

bool SessionDirectoryIsPrivate(const std::string& dir, std::string* why) {
  const DWORD attributes = ::GetFileAttributesW(base::Utf8ToWide(dir).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *why = dir + ": " + std::system_category().message(static_cast<int>(::GetLastError()));
    return false;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *why = dir + " is not a directory";
    return false;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    *why = dir + " is a link; a session directory must be a directory of its own";
    return false;
  }
  return true;
}

}  // namespace protocol
