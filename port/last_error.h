#pragma once
// The last system error of the calling thread (errno) and its text, standing in
// for GetLastError and FormatMessageW.
#include <string>

namespace port {

int LastError();
// The system's text for `error` (strerror_r), without a trailing line end.
std::wstring ErrorText(int error);
// ErrorText(LastError()).
std::wstring LastErrorText();

}  // namespace port
