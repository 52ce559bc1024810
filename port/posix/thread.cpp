#include "port/thread.h"

#include <memory>
#include <system_error>
#include <thread>

namespace port {

bool StartDetachedThread(std::function<void()> body) {
  if (!body) return false;
  try {
    std::thread thread([body = std::move(body)]() {
      try {
        body();
      } catch (...) {
      }
    });
    thread.detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace port
