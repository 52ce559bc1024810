#pragma once
// The last system error of the calling thread and its text: errno and strerror_r
// on POSIX, GetLastError and FormatMessageW on Windows. Callable from any thread.
#include <string>

namespace port {

int LastError();
// The system's text for `error`, without a trailing line end.
std::wstring ErrorText(int error);
// ErrorText(LastError()).
std::wstring LastErrorText();

// Puts the calling thread's last error (errno, and on Windows GetLastError too)
// back as it was when the scope began: for work such as logging, which must not
// change what the caller reads next.
class LastErrorKeeper {
 public:
  LastErrorKeeper();
  ~LastErrorKeeper();
  LastErrorKeeper(const LastErrorKeeper&) = delete;
  LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

 private:
  int errno_;
  unsigned long system_ = 0;
};

}  // namespace port
