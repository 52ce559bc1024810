#pragma once
// Starting a detached thread, the thread service the module's listen thread needs.
// Callable from any thread.
#include <functional>

namespace port {

// Runs `body` on a new detached thread. Returns false when no thread could be
// started (the body is then not run). An exception escaping `body` is swallowed
// at the thread's top so that it never terminates the host process.
bool StartDetachedThread(std::function<void()> body);

}  // namespace port
