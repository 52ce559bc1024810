#pragma once
// Running the application's callbacks. An exception a callback throws is
// caught and logged here ("toolkit client: callback raised: ..."); it never
// crosses the toolkit's C interface. Callers hold no lock of the client.
#include <ProToolkit.h>
#include <ProUICmd.h>
#include <exception>
#include <utility>

namespace tkclient {

void LogCallbackException(std::exception_ptr raised);

// Calls f(); when it throws, logs and returns `on_throw`.
template <class R, class F>
R RunCallback(R on_throw, F&& f) noexcept {
  try {
    return f();
  } catch (...) {
    LogCallbackException(std::current_exception());
    return on_throw;
  }
}

// Evaluates an access function; a throwing one keeps `previous`.
int EvaluateAccess(uiCmdAccessFn fn, int previous);

}  // namespace tkclient
