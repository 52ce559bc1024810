#pragma once
// The temporary directory as the module's wide text. Callable from any thread.
#include <string>

// The temporary directory ($TMPDIR, else /tmp), always ending with '/'.
std::wstring TempPath();
