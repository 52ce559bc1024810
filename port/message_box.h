#pragma once
// The information message box of the module. There is no desktop to show it on,
// so the text goes to standard error and, as one line, to the log file; the call
// returns at once (like a box the user confirmed). Callable from any thread.
#include <string>

namespace port {

// Writes "caption: text" (or just the text when the caption is empty).
void InformationBox(const std::wstring& text, const std::wstring& caption = std::wstring());

}  // namespace port
