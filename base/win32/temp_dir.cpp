#include "base/temp_dir.h"

#include <windows.h>

#include "base/utf.h"

namespace base {

std::string TempDirectory() {
  // GetTempPathW follows TMP, then TEMP, then USERPROFILE, and ends with '\'.
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return "C:\\Windows\\Temp\\";
  return WideToUtf8(std::wstring_view(buffer, length));
}

}  // namespace base
