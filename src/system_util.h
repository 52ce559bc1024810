#pragma once
// What the module asks of the system by text: the temporary directory and the
// text of the last system error. Callable from any thread.
#include <string>

// The temporary directory ($TMPDIR, else /tmp), always ending with '/'.
std::wstring TempPath();

// The text of the calling thread's last system error (errno).
std::wstring LastErrorText();
