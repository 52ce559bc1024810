#pragma once
// The information message box of the module. Callable from any thread.
//
// On Windows it is a real MessageBoxW, modal to the calling thread's task, and
// the call returns when the user confirms it. Where there is no desktop to show
// it on (POSIX), or while kNoMessageBoxVariable is set (tests and unattended
// runs, where nobody would confirm it), the text goes to standard error instead
// and the call returns at once. Either way the text is also written, as one
// line, to the log file.
#include <string>

namespace port {

// Set and not empty: no box, the text goes to standard error (Windows).
constexpr char kNoMessageBoxVariable[] = "TAV_NO_MESSAGE_BOX";

// Shows "caption: text" (or just the text when the caption is empty).
void InformationBox(const std::wstring& text, const std::wstring& caption = std::wstring());

}  // namespace port
