#pragma once
// For test executables that translate machine faults. The translator throws out
// of the signal handler, which ThreadSanitizer cannot follow: it keeps the thread
// marked "inside a signal handler" and reports every later allocation on it. The
// fault tests therefore run in executables of their own with that report off;
// every other test keeps the full checks. Include in exactly one source file.

extern "C" const char* __tsan_default_options() { return "report_signal_unsafe=0"; }
