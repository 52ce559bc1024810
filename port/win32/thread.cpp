#include "port/thread.h"

#include <windows.h>
#include <memory>
#include <new>
#include <process.h>

namespace port {
namespace {

unsigned __stdcall Run(void* argument) {
  const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(argument));
  try {
    (*body)();
  } catch (...) {
  }
  return 0;
}

}  // namespace

bool StartDetachedThread(std::function<void()> body) {
  if (!body) return false;
  auto* owned = new (std::nothrow) std::function<void()>(std::move(body));
  if (!owned) return false;
  // _beginthreadex, not CreateThread: the thread uses the C runtime.
  const uintptr_t thread = ::_beginthreadex(nullptr, 0, &Run, owned, 0, nullptr);
  if (thread == 0) {
    delete owned;
    return false;
  }
  ::CloseHandle(reinterpret_cast<HANDLE>(thread));
  return true;
}

}  // namespace port
