#include "port/last_error.h"

#include <windows.h>
#include <cerrno>

namespace port {

int LastError() { return static_cast<int>(::GetLastError()); }

std::wstring ErrorText(int error) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n && buffer ? std::wstring(buffer, n) : std::wstring();
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  if (text.empty()) text = L"Unknown error " + std::to_wstring(error);
  return text;
}

std::wstring LastErrorText() { return ErrorText(LastError()); }

LastErrorKeeper::LastErrorKeeper() : errno_(errno), system_(::GetLastError()) {}
LastErrorKeeper::~LastErrorKeeper() {
  errno = errno_;
  ::SetLastError(system_);
}

}  // namespace port
