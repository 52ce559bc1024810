#pragma once
// Test-only controls of the toolkit client. Tests run the real session server
// on a thread over a socket pair and attach the client to their end; they
// reset the process-global client between cases and shorten the deadlines.
// Not for the module: nothing here is part of the toolkit's interface.
#include <ProCore.h>
#include <chrono>

namespace tkclient {

// Makes a connected stream the process's connection, as ProEngineerConnect
// does after finding the socket: takes ownership of fd (closed on failure),
// says hello and waits at most timeout_sec (<= 0: the request deadline) for the
// answer. Codes as ProEngineerConnect.
ProError TEST_AttachStream(int fd, const char* display, const char* text_dir, int timeout_sec,
                           ProProcessHandle* p_handle);

// Drops the connection without a goodbye and without running the termination
// action, forgets every callback and the termination action, and restores the
// default request deadline. Must not run inside a callback.
void TEST_ResetClient();

// How long a request waits for its answer (default 30 s); also bounds the
// hello of a connect and the goodbye of a disconnect.
void TEST_SetRequestDeadline(std::chrono::milliseconds deadline);

}  // namespace tkclient
